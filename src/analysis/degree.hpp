// Degree analysis: the polynomial degree of an expression in its decision
// variables, as linear, quadratic, higher order, or known only once the
// instance data is given.
#pragma once

#include <limits>

#include "model/expression/expression.hpp"

namespace forvela {

struct DegreeState {
    // The degree of the node walked last.
    double degree = 0.0;
    // The largest degree of every node walked in this state.
    double max_degree = -std::numeric_limits<double>::infinity();
    // The degree depends on the instance data.
    bool dynamic = false;
    // A decision variable was walked in this state.
    bool has_variable = false;
    // A decision variable stands under a power whose exponent is no
    // non-negative integer: the expression is no polynomial at all.
    bool non_polynomial = false;
};

void compute_degree(DegreeState& state, const Expression& e);
DegreeState degree_of(const Expression& e);

bool is_linear(const DegreeState& s);
bool is_quadratic(const DegreeState& s);
bool is_higher_order(const DegreeState& s);
inline bool is_dynamic_degree(const DegreeState& s) { return s.dynamic; }

}  // namespace forvela
