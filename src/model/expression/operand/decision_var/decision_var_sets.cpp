#include "model/expression/operand/decision_var/decision_var_sets.hpp"
#include "model/expression/expression.hpp"

#include <algorithm>
#include <string_view>

namespace forvela {

namespace {

// ndim first, then the names as unsigned bytes (a proper prefix first).
int compare_entries(const DecisionVar& a, const DecisionVar& b) {
    if (a.shape.size() != b.shape.size()) return a.shape.size() < b.shape.size() ? -1 : 1;
    // std::string_view compares through char_traits<char>, which orders bytes
    // as unsigned char.
    int c = std::string_view(a.name).compare(b.name);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

void insert_decision_var_by_kind(DecisionVarSets& sets, const DecisionVar& var) {
    auto& set = sets.by_kind[static_cast<std::size_t>(var.kind)];
    auto at = std::lower_bound(set.begin(), set.end(), var, [](const DecisionVar& a, const DecisionVar& b) {
        return compare_entries(a, b) < 0;
    });
    if (at != set.end() && compare_entries(*at, var) == 0) return;
    set.insert(at, var);
}

}  // namespace forvela
