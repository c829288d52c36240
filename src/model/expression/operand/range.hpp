// The half-open interval [start, end) that a scalar element runs over.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"

namespace forvela {

struct Range {
    Box<Expression> start;
    Box<Expression> end;
};

// Checks, in order: two literal ends must have start < end (ValueError),
// neither end may contain a decision variable (ModelingError, the start
// first). Ends that are not both literals are never compared.
Result<Range> make_range(Expression start, Expression end);

}  // namespace forvela
