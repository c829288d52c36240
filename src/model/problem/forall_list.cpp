#include "model/problem/forall_list.hpp"

#include <algorithm>

#include "model/depth_guard.hpp"
#include "model/expression/children.hpp"
#include "model/expression/equality.hpp"
#include "model/overloaded.hpp"

namespace forvela {

std::uint64_t ElementSet::hash_element(const Element& e) { return hash_of(e); }

const Element* ElementSet::find(const Element& e, std::uint64_t h) const {
    for (std::size_t k = 0; k < items_.size(); ++k)
        if (hashes_[k] == h && (items_[k] == &e || equal(*items_[k], e))) return items_[k];
    return nullptr;
}

bool ElementSet::insert(const Element& e) {
    std::uint64_t h = hash_element(e);
    if (find(e, h)) return false;
    items_.push_back(&e);
    hashes_.push_back(h);
    return true;
}

namespace {

// The callback that walks each child of a node.
auto collect_child(ElementUsage& usage) {
    return overloaded{
        [&usage](const Expression& e, bool in_shared_list) { collect_elements(usage, e, in_shared_list); },
        [&usage](const ConditionalExpr& c) { collect_elements_in_condition(usage, c); },
    };
}

bool in_scope(const ElementUsage& usage, const Element& e) {
    return std::any_of(usage.scope.begin(), usage.scope.end(),
                       [&](const Element* s) { return s == &e || equal(*s, e); });
}

void collect_in_reduction(ElementUsage& usage, const ReductionOp& r) {
    const Element& index = *r.index;
    usage.bound.insert(index);
    for_each_child(Expression(Box<Element>(r.index)), collect_child(usage));
    usage.scope.push_back(&index);
    const std::uintptr_t outer_visit = usage.scope_visit;
    usage.scope_visit = ++usage.visits;
    if (r.condition) collect_elements_in_condition(usage, **r.condition);
    collect_elements(usage, *r.operand);
    usage.scope_visit = outer_visit;
    usage.scope.pop_back();
}

}  // namespace

void collect_elements(ElementUsage& usage, const Expression& e, bool in_shared_list) {
    const NodeBase* cell = e.cell_key();
    if (!cell || (may_meet_again(cell, in_shared_list) && !usage.seen.insert({cell, usage.scope_visit})))
        return;
    DepthGuard guard;
    switch (e.kind()) {
        // A placeholder uses no element; a decision variable's shape is not walked.
        case ExprKind::NumberLit:
        case ExprKind::Placeholder:
        case ExprKind::DecisionVar: return;
        case ExprKind::Element:
            if (!in_scope(usage, e.as<Element>())) usage.free.insert(e.as<Element>());
            break;
        case ExprKind::ReductionOp: return collect_in_reduction(usage, e.as<ReductionOp>());
        default: break;
    }
    for_each_child(e, collect_child(usage));
}

void collect_elements_in_condition(ElementUsage& usage, const ConditionalExpr& c) {
    if (may_meet_again(c.cell_key()) && !usage.seen.insert({c.cell_key(), usage.scope_visit})) return;
    DepthGuard guard;
    for_each_child(c, collect_child(usage));
}

ElementUsage element_usage_of(const ConditionalExpr& c) {
    ElementUsage usage;
    collect_elements_in_condition(usage, c);
    return usage;
}

ElementUsage element_usage_of(const Expression& e) {
    ElementUsage usage;
    collect_elements(usage, e);
    return usage;
}

Result<void> check_forall_list(const ForallList& list) {
    ElementSet declared;
    for (const ForallIndex& entry : list) {
        if (!declared.insert(*entry.element)) return modeling_error("forall has duplicated indices");
        if (!entry.condition) continue;
        ElementUsage usage = element_usage_of(*entry.condition);
        for (const Element* e : usage.free.items())
            if (!declared.contains(*e)) return modeling_error("forall scope error");
    }
    return {};
}

std::optional<ForallMismatch> check_forall_indices(const ForallList& list, const ElementUsage& usage) {
    ElementSet listed;
    for (const ForallIndex& entry : list) listed.insert(*entry.element);

    AlreadyBound already;
    for (const Element* e : listed.items())
        if (usage.bound.contains(*e)) already.names.push_back(e->name);
    if (!already.names.empty()) return ForallMismatch(std::move(already));

    NotMatching mismatch;
    for (const Element* e : listed.items())
        if (!usage.free.contains(*e)) mismatch.forall_only.push_back(e->name);
    for (const Element* e : usage.free.items())
        if (!listed.contains(*e)) mismatch.expression_only.push_back(e->name);
    if (mismatch.forall_only.empty() && mismatch.expression_only.empty()) return std::nullopt;
    return ForallMismatch(std::move(mismatch));
}

namespace {

void append_joined(std::string& out, const std::vector<std::string>& names) {
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k) out += ", ";
        out += names[k];
    }
}

}  // namespace

Error forall_error(const ForallMismatch& mismatch) {
    std::string text;
    if (const auto* bound = std::get_if<AlreadyBound>(&mismatch)) {
        text =
            "Invalid forall -- Elements in forall list are already associated with operators in the "
            "expression: ";
        append_joined(text, bound->names);
    } else {
        const auto& m = std::get<NotMatching>(mismatch);
        text = "Invalid forall:";
        if (!m.expression_only.empty()) {
            text += "\nExpression contained elements not used in the forall list or any operator: ";
            append_joined(text, m.expression_only);
        }
        if (!m.forall_only.empty()) {
            text +=
                "\nForall list contained elements not in expression or already associated with "
                "operators: ";
            append_joined(text, m.forall_only);
        }
    }
    return Error{ErrorKind::ModelingError, std::move(text)};
}

Result<void> fit_forall(const ForallList& list, const ElementUsage& usage) {
    if (auto mismatch = check_forall_indices(list, usage)) return std::unexpected(forall_error(*mismatch));
    return {};
}

}  // namespace forvela
