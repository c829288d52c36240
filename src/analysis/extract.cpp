#include "analysis/extract.hpp"

#include <cstdint>
#include <new>
#include <unordered_map>
#include <variant>

#include "model/memory.hpp"
#include "model/expression/cell_memo.hpp"
#include "model/expression/equality.hpp"

namespace forvela {

namespace {

// Each match ends as a Python object in a list besides its entry here.
constexpr std::size_t kBytesPerMatch = sizeof(ModelNode) + sizeof(void*) + 64;

// Lists the matches in walking order. A cell met again is not walked again:
// the matches its first walk listed are listed once more. Those repeats are
// kept as references to the entries of the first walk and counted, so that a
// list too large for any memory fails at once, before it is written out.
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
        if (frame.cell) listed_.insert({frame.cell}, Span{frame.start, entries_.size()});
    }

    // The matches, every repeat written out.
    std::vector<ModelNode> take() {
        const std::uint64_t total = counts_.back();
        if (!fits_in_memory(total, kBytesPerMatch)) throw std::bad_alloc();
        std::vector<ModelNode> found;
        found.reserve(static_cast<std::size_t>(total));
        std::vector<Span> ranges{Span{0, entries_.size()}};
        while (!ranges.empty()) {
            Span& top = ranges.back();
            if (top.start == top.end) {
                ranges.pop_back();
                continue;
            }
            const Entry& e = entries_[top.start++];
            if (const ModelNode* node = std::get_if<ModelNode>(&e))
                found.push_back(*node);
            else
                ranges.push_back(std::get<Span>(e));
        }
        return found;
    }

private:
    struct Span {
        std::size_t start = 0;
        std::size_t end = 0;
    };
    struct Frame {
        const NodeBase* cell;  // null for a cell met only once
        std::size_t start;
    };
    // A match, or a repeat of the entries of a span.
    using Entry = std::variant<ModelNode, Span>;

    void append(Entry entry, std::uint64_t count) {
        const std::uint64_t before = counts_.back();
        entries_.push_back(std::move(entry));
        counts_.push_back(count > UINT64_MAX - before ? UINT64_MAX : before + count);
    }

    template <class Node>
    bool enter(const NodeBase* cell, bool shared, NodeClass cls, const Node& node) {
        if (shared) {
            if (const Span* span = listed_.find({cell})) {
                const std::uint64_t count = counts_[span->end] - counts_[span->start];
                if (count > 0) append(*span, count);
                return false;
            }
        }
        const std::size_t start = entries_.size();
        if (cls == cls_) append(ModelNode(node), 1);
        if (!cell) return false;  // a literal has no parts
        frames_.push_back({shared ? cell : nullptr, start});
        return true;
    }

    NodeClass cls_;
    CellMemo<Span> listed_;
    std::vector<Frame> frames_;
    std::vector<Entry> entries_;
    // counts_[k]: the matches the first k entries stand for (saturating).
    std::vector<std::uint64_t> counts_{0};
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
    return collector.take();
}

std::vector<Expression> extract_variables(const ModelObject& object) {
    VariableSet set;
    walk_nodes(set, object);
    return std::move(set.items);
}

}  // namespace forvela
