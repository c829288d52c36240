#include "model/expression/operand/range.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

namespace {

// Two integers compare as integers; otherwise both as doubles, so a NaN is
// never larger.
bool numeric_larger(const NumericValue& a, const NumericValue& b) {
    if (a.is_integer() && b.is_integer()) return a.integer > b.integer;
    return a.as_double() > b.as_double();
}

}  // namespace

Result<Range> make_range(Expression start, Expression end) {
    if (start.is<NumericValue>() && end.is<NumericValue>()) {
        const auto& s = start.as<NumericValue>();
        const auto& e = end.as<NumericValue>();
        if (numeric_larger(s, e))
            return fail(ErrorKind::ValueError, "`Range.start` (= " + numeric_text(s) +
                                                   ") is larger than `Range.end` (= " + numeric_text(e) +
                                                   ")");
        if (numeric_values_equal(s, e))
            return fail(ErrorKind::ValueError, "`Range.start` (= " + numeric_text(s) +
                                                   ") is equal to `Range.end` (= " + numeric_text(e) + ")");
    }
    if (contains_decision_var(start)) return modeling_error("the lower bound contains a decision variable");
    if (contains_decision_var(end)) return modeling_error("the upper bound contains a decision variable");
    return Range{Box<Expression>(std::move(start)), Box<Expression>(std::move(end))};
}

}  // namespace forvela
