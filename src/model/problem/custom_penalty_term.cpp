#include "model/problem/custom_penalty_term.hpp"

#include "model/result_macros.hpp"

namespace forvela {

Result<CustomPenaltyTerm> make_custom_penalty_term(std::string name, Expression expression,
                                                   ForallList forall) {
    if (!contains_decision_var(expression))
        return modeling_error("the custom penalty term does not contain a decision variable");
    return CustomPenaltyTerm{std::move(name), std::move(expression), std::move(forall)};
}

Result<CustomPenaltyTerm> custom_penalty_term_checked(std::string name, Expression expression,
                                                      ForallList forall) {
    {
        ElementUsage usage = element_usage_of(expression);
        FV_TRY(fit_forall(forall, usage));
    }
    return make_custom_penalty_term(std::move(name), std::move(expression), std::move(forall));
}

}  // namespace forvela
