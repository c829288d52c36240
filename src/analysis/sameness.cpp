#include "analysis/sameness.hpp"

#include "model/expression/equality.hpp"

namespace forvela {

namespace {

template <class T, class Same>
bool same_maps(const NameMap<T>& a, const NameMap<T>& b, Same same) {
    if (a.size() != b.size()) return false;
    for (auto x = a.begin(), y = b.begin(); x != a.end(); ++x, ++y)
        if (x->first != y->first || !same(x->second, y->second)) return false;
    return true;
}

}  // namespace

bool same_forall_list(const ForallList& a, const ForallList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (!equal(a[k].element, b[k].element)) return false;
        if (a[k].condition.has_value() != b[k].condition.has_value()) return false;
        if (a[k].condition && !equal(*a[k].condition, *b[k].condition)) return false;
    }
    return true;
}

bool same_constraint(const Constraint& a, const Constraint& b) {
    return a.name == b.name && a.sense == b.sense && equal(a.left, b.left) && equal(a.right, b.right) &&
           same_forall_list(a.forall, b.forall);
}

bool same_custom_penalty_term(const CustomPenaltyTerm& a, const CustomPenaltyTerm& b) {
    return a.name == b.name && equal(a.expression, b.expression) && same_forall_list(a.forall, b.forall);
}

bool same_problem(const Problem& a, const Problem& b) {
    return a.name == b.name && a.sense == b.sense && equal(a.objective, b.objective) &&
           same_maps(a.constraints, b.constraints, same_constraint) &&
           same_maps(a.custom_penalty_terms, b.custom_penalty_terms, same_custom_penalty_term);
}

}  // namespace forvela
