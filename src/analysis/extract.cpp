#include "analysis/extract.hpp"

#include <cstdint>
#include <new>
#include <unordered_map>

#include "model/memory.hpp"
#include "model/expression/cell_memo.hpp"
#include "model/expression/equality.hpp"

namespace forvela {

namespace {

// Lists the matches in walking order. A cell met again is not walked again:
// the matches its first walk listed are listed once more.
class NodeCollector final : public NodeVisitor {
public:
    explicit NodeCollector(NodeClass cls) : cls_(cls) {}
    bool expression(const Expression& node, bool shared) override {
        return enter(node.cell_key(), shared, node_class_of(node), node);
    }
    bool condition(const ConditionalExpr& node, bool shared) override {
        return enter(node.cell_key(), shared, node_class_of(node), node);
    }
    void leave() override {
        const Frame frame = frames_.back();
        frames_.pop_back();
        if (frame.cell) listed_.insert({frame.cell}, Span{frame.start, found.size()});
    }
    std::vector<ModelNode> found;

private:
    struct Span {
        std::size_t start = 0;
        std::size_t end = 0;
    };
    struct Frame {
        const NodeBase* cell;  // null for a cell met only once
        std::size_t start;
    };

    template <class Node>
    bool enter(const NodeBase* cell, bool shared, NodeClass cls, const Node& node) {
        if (shared) {
            if (const Span* span = listed_.find({cell})) {
                // Repeats of a shared cell can ask for more matches than any
                // machine holds: that fails at once (the list doubles as it
                // grows, hence the room for twice its size).
                if (!fits_in_memory(2 * (found.size() + (span->end - span->start)), sizeof(ModelNode)))
                    throw std::bad_alloc();
                for (std::size_t k = span->start; k < span->end; ++k) {
                    ModelNode again = found[k];
                    found.push_back(std::move(again));
                }
                return false;
            }
        }
        const std::size_t start = found.size();
        if (cls == cls_) found.emplace_back(node);
        if (!cell) return false;  // a literal has no parts
        frames_.push_back({shared ? cell : nullptr, start});
        return true;
    }

    NodeClass cls_;
    CellMemo<Span> listed_;
    std::vector<Frame> frames_;
};

bool is_variable(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::ArrayLength:
        case ExprKind::DecisionVar: return true;
        default: return false;
    }
}

// An insertion-ordered set of variables: the items in order plus an index
// from hash to the positions of the items with that hash.
class VariableSet final : public NodeVisitor {
public:
    // A cell met again adds nothing: its variables went in at its first visit.
    bool expression(const Expression& node, bool shared) override {
        if (!node.cell_key() || (shared && !seen_.insert({node.cell_key()}))) return false;
        if (is_variable(node)) add(node);
        return true;
    }
    bool condition(const ConditionalExpr& node, bool shared) override {
        return !shared || seen_.insert({node.cell_key()});
    }
    std::vector<Expression> items;

private:
    void add(const Expression& node) {
        std::uint64_t h = hash_of(node);
        auto [first, last] = index_.equal_range(h);
        for (auto it = first; it != last; ++it)
            if (equal(items[it->second], node)) return;
        index_.emplace(h, items.size());
        items.push_back(node);
    }

    CellSet seen_;
    std::unordered_multimap<std::uint64_t, std::size_t> index_;
};

}  // namespace

std::vector<ModelNode> extract_nodes(const ModelObject& object, NodeClass cls) {
    NodeCollector collector(cls);
    walk_nodes(collector, object);
    return std::move(collector.found);
}

std::vector<Expression> extract_variables(const ModelObject& object) {
    VariableSet set;
    walk_nodes(set, object);
    return std::move(set.items);
}

}  // namespace forvela
