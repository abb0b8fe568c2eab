// Placement tags and depth assignment.
//
// The merge of the registry into one working list is simulated on an
// implicit treap (a randomised balanced tree ordered by position) whose nodes
// carry the largest key of their subtree. Moving the cursor forward "while
// the record under it has a key <= k" is then a search for the first position
// at or after the cursor with a key > k, so each record costs O(log n)
// instead of a walk from the front of the list for every character.
#include "movie/placement.h"

#include <algorithm>

#include "platform/work_memory.h"

namespace quillon {

PlaceObject2Fields PlaceObject2Fields::NewCharacter(uint16_t depth, uint16_t characterId,
                                                    std::unique_ptr<Matrix> matrix) {
    PlaceObject2Fields f;
    f.hasCharacter = 1;
    f.depth = depth;
    f.characterId = characterId;
    f.matrix = std::move(matrix);
    return f;
}

void PlaceObject2Tag::Write(SwfStream &stream) {
    if (refused_) return;
    SwfStream body;
    body.WriteBits(0, 1);  // PlaceFlagHasClipActions
    body.WriteBits(f_.hasClipDepth, 1);
    body.WriteBits(f_.name ? 1 : 0, 1);
    body.WriteBits(f_.hasRatio, 1);
    body.WriteBits(f_.colorTransform ? 1 : 0, 1);
    body.WriteBits(f_.matrix ? 1 : 0, 1);
    body.WriteBits(f_.hasCharacter, 1);
    body.WriteBits(f_.move, 1);
    body.WriteUI16(f_.depth);
    if (f_.hasCharacter) body.WriteUI16(f_.characterId);
    if (f_.matrix) f_.matrix->Write(body);
    if (f_.colorTransform) f_.colorTransform->Write(body);
    if (f_.hasRatio) body.WriteUI16(f_.ratio);
    if (f_.name) {
        for (char c : *f_.name) body.WriteUI8(static_cast<uint8_t>(c));
        body.WriteUI8(0);
    }
    if (f_.hasClipDepth) body.WriteUI16(f_.clipDepth);
    stream.WriteTag(TagCode::PlaceObject2, body.Length(), &body);
}

void RemoveObjectTag::Write(SwfStream &stream) {
    if (refused_) return;
    SwfStream body;
    body.WriteUI16(characterId_);
    body.WriteUI16(depth_);
    stream.WriteTag(TagCode::RemoveObject, body.Length(), &body);
}

namespace {

// Implicit treap over node indexes; -1 is the empty tree. The nodes point at
// the records, which stay in the registry until the order is read out.
class PositionTree {
public:
    explicit PositionTree(size_t capacity) { nodes_.reserve(capacity); }

    // Inserts rec at the first position at or after `from` whose key is
    // greater than rec's key (the end if there is none); returns that
    // position.
    size_t InsertAfterNotGreater(size_t from, const PlacementRecord &rec) {
        int a, b;
        Split(root_, from, a, b);
        size_t offset = FirstGreater(b, rec.key);
        int b1, b2;
        Split(b, offset, b1, b2);
        int node = NewNode(rec);
        root_ = Merge(Merge(a, Merge(b1, node)), b2);
        return from + offset;
    }

    // Calls visit with every record in list order.
    template <class Visit>
    void ForEach(Visit visit) const {
        // Iterative in-order walk; the tree depth is logarithmic in practice
        // but an explicit stack keeps the worst case off the call stack.
        std::vector<int> stack;
        int t = root_;
        while (t != -1 || !stack.empty()) {
            while (t != -1) {
                stack.push_back(t);
                t = nodes_[t].left;
            }
            t = stack.back();
            stack.pop_back();
            visit(*nodes_[t].rec);
            t = nodes_[t].right;
        }
    }

private:
    struct Node {
        const PlacementRecord *rec;
        int32_t key;
        int32_t maxKey;  // largest key in this subtree
        uint32_t priority;
        uint32_t size;
        int left, right;
    };

    uint32_t Size(int t) const { return t == -1 ? 0 : nodes_[t].size; }

    void Update(int t) {
        Node &n = nodes_[t];
        n.size = 1 + Size(n.left) + Size(n.right);
        n.maxKey = n.key;
        if (n.left != -1) n.maxKey = std::max(n.maxKey, nodes_[n.left].maxKey);
        if (n.right != -1) n.maxKey = std::max(n.maxKey, nodes_[n.right].maxKey);
    }

    int NewNode(const PlacementRecord &rec) {
        // xorshift32: a fixed sequence, so runs are reproducible.
        seed_ ^= seed_ << 13;
        seed_ ^= seed_ >> 17;
        seed_ ^= seed_ << 5;
        nodes_.push_back(Node{&rec, rec.key, rec.key, seed_, 1, -1, -1});
        return static_cast<int>(nodes_.size() - 1);
    }

    // Splits t into the first k positions (a) and the rest (b).
    void Split(int t, size_t k, int &a, int &b) {
        if (t == -1) {
            a = b = -1;
            return;
        }
        Node &n = nodes_[t];
        if (Size(n.left) >= k) {
            int l = n.left;
            Split(l, k, a, nodes_[t].left);
            b = t;
        } else {
            int r = n.right;
            Split(r, k - Size(n.left) - 1, nodes_[t].right, b);
            a = t;
        }
        Update(t);
    }

    int Merge(int a, int b) {
        if (a == -1) return b;
        if (b == -1) return a;
        if (nodes_[a].priority > nodes_[b].priority) {
            int merged = Merge(nodes_[a].right, b);
            nodes_[a].right = merged;
            Update(a);
            return a;
        }
        int merged = Merge(a, nodes_[b].left);
        nodes_[b].left = merged;
        Update(b);
        return b;
    }

    // Position within t of the first record whose key is greater than key;
    // Size(t) when there is none.
    size_t FirstGreater(int t, int32_t key) const {
        size_t index = 0;
        while (t != -1) {
            const Node &n = nodes_[t];
            if (n.left != -1 && nodes_[n.left].maxKey > key) {
                t = n.left;
            } else if (n.key > key) {
                return index + Size(n.left);
            } else {
                index += Size(n.left) + 1;
                t = n.right;
            }
        }
        return index;
    }

    WorkVector<Node> nodes_;
    int root_ = -1;
    uint32_t seed_ = 0x9E3779B9u;
};

// Over the positions 0..size-1 of the placements in file order: raise every
// position of a range to at least a value, and ask for the largest value of
// a range. A bottom-up tree over a power-of-two number of leaves: each node
// keeps the value raised over all of its range (all) and the largest value
// raised anywhere inside it (inside). The nodes that hold a range's values
// lie along the paths from its two end leaves to the root, so both
// operations walk those two paths.
class RangeMaximum {
public:
    explicit RangeMaximum(size_t size) {
        while (leaves_ < size) leaves_ *= 2;
        nodes_.assign(2 * leaves_, Node{0, 0});
    }

    // Raises [from, to) to value; from < to <= size.
    void Raise(size_t from, size_t to, uint32_t value) {
        size_t l = from + leaves_, r = to + leaves_;
        size_t l0 = l, r0 = r - 1;
        for (; l < r; l /= 2, r /= 2) {
            if (l & 1) Cover(l++, value);
            if (r & 1) Cover(--r, value);
        }
        for (l0 /= 2; l0 > 0; l0 /= 2) nodes_[l0].inside = std::max(nodes_[l0].inside, value);
        for (r0 /= 2; r0 > 0; r0 /= 2) nodes_[r0].inside = std::max(nodes_[r0].inside, value);
    }

    // The largest value raised over any position of [from, to).
    uint32_t Max(size_t from, size_t to) const {
        size_t l = from + leaves_, r = to + leaves_;
        uint32_t best = 0;
        for (size_t p = l / 2; p > 0; p /= 2) best = std::max(best, nodes_[p].all);
        for (size_t p = (r - 1) / 2; p > 0; p /= 2) best = std::max(best, nodes_[p].all);
        for (; l < r; l /= 2, r /= 2) {
            if (l & 1) best = std::max(best, nodes_[l++].inside);
            if (r & 1) best = std::max(best, nodes_[--r].inside);
        }
        return best;
    }

private:
    struct Node {
        uint32_t all, inside;
    };

    void Cover(size_t node, uint32_t value) {
        nodes_[node].all = std::max(nodes_[node].all, value);
        nodes_[node].inside = std::max(nodes_[node].inside, value);
    }

    size_t leaves_ = 1;
    WorkVector<Node> nodes_;
};

// Depths for more placements than there are depths. Stacking order w; each
// record lives on the stage from its placement to its removal (the end of
// the movie without one). The depth of a record is one above the highest
// depth of the records before it in w that share some of its time, which is
// the lowest depth that keeps w's order among everything on the stage at
// once. Two records share time exactly when one is placed while the other
// is on the stage, so time is counted in placements: a record covers the
// positions from its own placement up to the last one before its removal.
// Tree values are depth + 1, so 0 means none.
size_t ReuseDepths(WorkVector<PlacementRecord> &w) {
    RangeMaximum taken(w.size());
    size_t refused = 0;
    for (PlacementRecord &rec : w) {
        size_t from = std::min<size_t>(rec.place->Order(), w.size() - 1);
        size_t to = rec.remove ? std::min<size_t>(rec.remove->Order(), w.size()) : w.size();
        if (to <= from) to = from + 1;  // a removal filed before its placement
        uint32_t depth = taken.Max(from, to);
        if (depth >= kDepthCount) {
            rec.place->Refuse();
            if (rec.remove) rec.remove->Refuse();
            ++refused;
            continue;
        }
        rec.place->SetDepth(static_cast<uint16_t>(depth));
        if (rec.remove) rec.remove->SetDepth(static_cast<uint16_t>(depth));
        taken.Raise(from, to, depth + 1);
    }
    return refused;
}

}  // namespace

size_t AssignDepths(PlacementRegistry &placements) {
    size_t total = 0;
    for (const auto &entry : placements) total += entry.second.size();
    if (total == 0) return 0;

    PositionTree working(total);
    bool smallKeys = true;  // all keys are depth values, below kDepthCount
    for (auto &entry : placements) {
        size_t cursor = 0;
        for (const PlacementRecord &rec : entry.second) {
            cursor = working.InsertAfterNotGreater(cursor, rec) + 1;
            smallKeys = smallKeys && rec.key >= 0 && rec.key < static_cast<int32_t>(kDepthCount);
        }
    }

    // The working list sorted stably by key: counted into place when there
    // are many records and the keys are depth values, sorted otherwise.
    WorkVector<PlacementRecord> w;
    if (smallKeys && total > kDepthCount / 16) {
        std::vector<uint32_t> start(kDepthCount + 1, 0);
        for (const auto &entry : placements)
            for (const PlacementRecord &rec : entry.second) ++start[static_cast<size_t>(rec.key) + 1];
        for (size_t k = 1; k <= kDepthCount; ++k) start[k] += start[k - 1];
        w.resize(total);
        working.ForEach([&](const PlacementRecord &rec) { w[start[static_cast<size_t>(rec.key)]++] = rec; });
    } else {
        w.reserve(total);
        working.ForEach([&](const PlacementRecord &rec) { w.push_back(rec); });
        std::stable_sort(w.begin(), w.end(), [](const PlacementRecord &a, const PlacementRecord &b) {
            return a.key < b.key;
        });
    }
    for (auto &entry : placements) entry.second.clear();
    size_t refused = 0;
    if (w.size() <= kDepthCount) {
        for (size_t i = 0; i < w.size(); ++i) {
            uint16_t depth = static_cast<uint16_t>(i);
            w[i].place->SetDepth(depth);
            if (w[i].remove) w[i].remove->SetDepth(depth);
        }
    } else {
        refused = ReuseDepths(w);
    }
    return refused;
}

}  // namespace quillon
