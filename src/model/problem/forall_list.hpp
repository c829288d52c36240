// Forall lists: the index elements (each with an optional condition) over
// which a constraint or a penalty term is repeated, their validation on their
// own, and the element-usage analysis that decides whether a list fits an
// expression.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "model/error.hpp"
#include "model/expression/cell_memo.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

struct ForallIndex {
    Box<Element> element;
    std::optional<ConditionalExpr> condition;
};

using ForallList = std::vector<ForallIndex>;

// A set of elements under element equality (name, ndim and set; custom LaTeX
// and descriptions ignored), in insertion order. It points into the values
// it was filled from, which must outlive it.
class ElementSet {
public:
    bool contains(const Element& e) const { return find(e, hash_element(e)) != nullptr; }
    // Adds `e` unless an equal element is present; whether it was added.
    bool insert(const Element& e);
    std::size_t size() const { return items_.size(); }
    const std::vector<const Element*>& items() const { return items_; }

private:
    static std::uint64_t hash_element(const Element& e);
    const Element* find(const Element& e, std::uint64_t h) const;
    std::vector<const Element*> items_;
    std::vector<std::uint64_t> hashes_;
};

// The elements an expression or condition uses. `bound` holds the index of
// every sum and product met; `free` every element met outside the scope of a
// reduction over it (an element is bound only inside the condition and the
// operand of the reduction that has it as index). The sets may overlap.
struct ElementUsage {
    ElementSet bound;
    ElementSet free;
    // The indices of the reductions around the node being walked.
    std::vector<const Element*> scope;
    // The cells walked, each with the visit of the reduction around it (0
    // outside any): a cell walked again inside the same visit adds nothing.
    CellSet seen;
    std::uintptr_t scope_visit = 0;
    std::uintptr_t visits = 0;
};

// `in_shared_list`: whether `e` is a term of a list whose buffer other lists
// hold too.
void collect_elements(ElementUsage& usage, const Expression& e, bool in_shared_list = false);
void collect_elements_in_condition(ElementUsage& usage, const ConditionalExpr& c);

ElementUsage element_usage_of(const ConditionalExpr& c);
ElementUsage element_usage_of(const Expression& e);

// A list on its own: no element twice ("forall has duplicated indices"), and
// each condition uses freely only the elements declared up to its own entry
// ("forall scope error").
Result<void> check_forall_list(const ForallList& list);

struct AlreadyBound {
    std::vector<std::string> names;
};
struct NotMatching {
    std::vector<std::string> forall_only;
    std::vector<std::string> expression_only;
};
using ForallMismatch = std::variant<AlreadyBound, NotMatching>;

// Whether the list fits the usage: no listed element is a reduction index,
// and the listed elements are exactly the free ones.
std::optional<ForallMismatch> check_forall_indices(const ForallList& list, const ElementUsage& usage);
Error forall_error(const ForallMismatch& mismatch);

// The fit of `list` to `usage` as a result, the mismatch as its ModelingError.
Result<void> fit_forall(const ForallList& list, const ElementUsage& usage);

}  // namespace forvela
