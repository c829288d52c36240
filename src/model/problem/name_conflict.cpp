#include "model/problem/name_conflict.hpp"

#include <algorithm>

#include "model/depth_guard.hpp"
#include "model/expression/cell_memo.hpp"
#include "model/expression/children.hpp"
#include "model/expression/equality.hpp"
#include "model/overloaded.hpp"

namespace forvela {

namespace {

bool same_node(const NamedNode& a, const NamedNode& b) {
    if (a.index() != b.index()) return false;
    return std::visit(
        [&](const auto* x) {
            const auto* y = std::get<std::decay_t<decltype(x)>>(b);
            return x == y || equal(*x, *y);
        },
        a);
}

// One walk for both uses: without a conflict list it only records.
class NameWalker {
    // The callback that walks each child (defined first: its type is deduced).
    auto child() {
        return overloaded{
            [this](const Expression& e, bool in_shared_list) { expression(e, in_shared_list); },
            [this](const ConditionalExpr& c) { condition(c); },
        };
    }

public:
    NameWalker(NameTable& table, std::vector<std::string>* conflicts)
        : table_(table), conflicts_(conflicts) {}

    // A cell met again adds nothing: its names went in at its first visit.
    void expression(const Expression& e, bool in_shared_list = false) {
        const NodeBase* cell = e.cell_key();
        if (!cell || (may_meet_again(cell, in_shared_list) && !seen_.insert({cell}))) return;
        DepthGuard guard;
        switch (e.kind()) {
            case ExprKind::NumberLit: return;
            case ExprKind::Placeholder: return visit_node(&e.as<Placeholder>(), e.as<Placeholder>().name);
            // A decision variable's shape is not walked.
            case ExprKind::DecisionVar: return visit_node(&e.as<DecisionVar>(), e.as<DecisionVar>().name);
            case ExprKind::Element:
                for_each_child(e, child());
                return visit_node(&e.as<Element>(), e.as<Element>().name);
            default: return for_each_child(e, child());
        }
    }

private:
    void condition(const ConditionalExpr& c) {
        if (may_meet_again(c.cell_key()) && !seen_.insert({c.cell_key()})) return;
        DepthGuard guard;
        for_each_child(c, child());
    }

    void visit_node(NamedNode node, const std::string& name) {
        auto [at, inserted] = table_.try_emplace(std::string_view(name), node);
        if (inserted || !conflicts_ || same_node(at->second, node)) return;
        if (std::find(conflicts_->begin(), conflicts_->end(), name) == conflicts_->end())
            conflicts_->push_back(name);
    }

    NameTable& table_;
    std::vector<std::string>* conflicts_;
    CellSet seen_;
};

}  // namespace

void collect_problem_names(NameTable& table, const Expression& e) {
    NameWalker(table, nullptr).expression(e);
}

void check_name_conflicts(NameTable& table, const Expression& e, std::vector<std::string>& conflicts) {
    NameWalker(table, &conflicts).expression(e);
}

Error duplicated_name_error(const std::vector<std::string>& names) {
    std::string text = "Duplicated name -- different variables share the same name(s): ";
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k) text += ", ";
        text += names[k];
    }
    return Error{ErrorKind::ModelingError, std::move(text)};
}

}  // namespace forvela
