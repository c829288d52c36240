// Five ordered sets of decision variables, one per kind, that the LaTeX of a
// problem lists. A set orders its variables by ndim, then by name bytes; a
// variable whose ndim and name match an entry already present is dropped.
#pragma once

#include <array>
#include <vector>

#include "model/expression/expression.hpp"

namespace forvela {

struct DecisionVarSets {
    // Indexed by DecisionVarKind, each sorted by (ndim, name).
    std::array<std::vector<DecisionVar>, 5> by_kind;

    const std::vector<DecisionVar>& of(DecisionVarKind kind) const {
        return by_kind[static_cast<std::size_t>(kind)];
    }
};

// Inserts a copy of `var` into the set of its kind unless an entry with the
// same ndim and name is there already (the first one inserted stays).
void insert_decision_var_by_kind(DecisionVarSets& sets, const DecisionVar& var);

}  // namespace forvela
