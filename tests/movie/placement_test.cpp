// PlaceObject2 and RemoveObject bytes, and depth assignment checked against
// a plain list merge on worked and randomized registries.
#include <algorithm>
#include <functional>
#include <iterator>
#include <list>
#include <map>
#include <random>
#include <tuple>

#include <gtest/gtest.h>

#include "characters/shapes.h"
#include "movie/movie_file.h"
#include "movie/placement.h"

namespace quillon {
namespace {

using test::Hex;
using test::TagHex;
using test::ToHex;

std::unique_ptr<PlaceObject2Tag> Place(uint16_t depth, uint16_t id, std::unique_ptr<Matrix> m = nullptr) {
    return std::make_unique<PlaceObject2Tag>(PlaceObject2Fields::NewCharacter(depth, id, std::move(m)));
}

// Registries built as placements and removals in file order, numbered as the
// movie's writer numbers them (which matters beyond 65536 placements only):
// placements 0, 1, 2..., each removal the number of placements before it.
struct Timeline {
    std::vector<std::unique_ptr<PlaceObject2Tag>> places;
    std::vector<std::unique_ptr<RemoveObjectTag>> removes;
    std::vector<bool> removal;  // the tags in file order: a removal or a placement
    PlacementRegistry registry;

    PlaceObject2Tag *Show(uint16_t key, uint16_t id) {
        places.push_back(Place(key, id));
        places.back()->SetOrder(static_cast<uint32_t>(places.size() - 1));
        registry[id].push_back({places.back().get(), nullptr, key});
        removal.push_back(false);
        return places.back().get();
    }
    RemoveObjectTag *Hide(uint16_t id) {
        removes.push_back(std::make_unique<RemoveObjectTag>(id, 0));
        removes.back()->SetOrder(static_cast<uint32_t>(places.size()));
        registry[id].back().remove = removes.back().get();
        removal.push_back(true);
        return removes.back().get();
    }
};

TEST(PlacementTags, Bytes) {
    struct Row {
        const char *name;
        std::function<std::unique_ptr<Tag>()> make;
        const char *bytes;
    } rows[] = {
        {"PlaceNoMatrix", [] { return Place(0, 1); }, "85 06 02 00 00 01 00"},
        {"PlaceDepthAndId", [] { return Place(0x0302, 0x0504); }, "85 06 02 02 03 04 05"},
        {"PlaceWithMatrix", [] { return Place(0, 1, std::make_unique<Matrix>(Matrix::Translate(200_tw, -100_tw))); },
         "89 06 06 00 00 01 00 12 C8 CE 00"},
        {"Remove", [] { return std::make_unique<RemoveObjectTag>(1, 0); }, "44 01 01 00 00 00"},
        {"RemoveIdThenDepth", [] { return std::make_unique<RemoveObjectTag>(0x0201, 0x0403); }, "44 01 01 02 03 04"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(TagHex(*row.make()), ToHex(Hex(row.bytes)));
    }
}

TEST(PlacementTags, SetDepthReplacesTheKey) {
    auto place = Place(100, 1);
    place->SetDepth(0);
    EXPECT_EQ(TagHex(*place), "85 06 02 00 00 01 00");
    RemoveObjectTag remove(1, 100);
    remove.SetDepth(7);
    EXPECT_EQ(TagHex(remove), "44 01 01 00 07 00");
}

// Character 3 at key 100; character 1 at 100, removed, at 100 again;
// character 2 at 1. Depths 0..3 go to 2, 1 (first), 1 (second), 3.
TEST(DepthAssignment, WorkedExample) {
    Timeline t;
    PlaceObject2Tag *p3 = t.Show(100, 3), *p1a = t.Show(100, 1);
    RemoveObjectTag *r1 = t.Hide(1);
    PlaceObject2Tag *p1b = t.Show(100, 1), *p2 = t.Show(1, 2);
    AssignDepths(t.registry);
    EXPECT_EQ(p2->Depth(), 0);
    EXPECT_EQ(p1a->Depth(), 1);
    EXPECT_EQ(r1->Depth(), 1);
    EXPECT_EQ(p1b->Depth(), 2);
    EXPECT_EQ(p3->Depth(), 3);
    for (const auto &entry : t.registry) EXPECT_TRUE(entry.second.empty()) << entry.first;
    EXPECT_EQ(t.registry.size(), 3u);
}

// The same example built from display items and written: the file carries
// the assigned depths.
TEST(DepthAssignment, WorkedExampleInAFile) {
    test::Ids().ResetCharacterIds();
    RectItem one(0_tw, 0_tw, 100_tw, 100_tw), two(0_tw, 0_tw, 100_tw, 100_tw), three(0_tw, 0_tw, 100_tw, 100_tw);
    Movie movie(test::Ids());
    one.SetDepth(100);
    three.SetDepth(100);
    // Define in id order 1, 2, 3 (define-only), then place as in the example.
    for (RectItem *item : {&one, &two, &three}) {
        item->SetDefineOnly(1);
        movie.GetFrame(0)->ShowItem(item);
        item->SetDefineOnly(0);
    }
    ASSERT_EQ(std::make_tuple(one.GetCharacterId(), two.GetCharacterId(), three.GetCharacterId()),
              std::make_tuple(1, 2, 3));
    movie.GetFrame(0)->ShowItem(&three);
    movie.GetFrame(0)->ShowItem(&one);
    movie.GetFrame(1)->HideItem(&one);
    movie.GetFrame(2)->ShowItem(&one);
    movie.GetFrame(2)->ShowItem(&two);
    test::SwfMovie parsed;
    ASSERT_TRUE(test::ReadsBack(test::WriteAndRead(movie), parsed));
    // Removal or not, frame, character id, depth.
    using Placement = std::tuple<bool, int32_t, uint16_t, uint16_t>;
    std::vector<Placement> placements;
    for (const test::SwfPlacement &p : parsed.placements)
        placements.push_back({p.remove, p.frame, p.characterId, p.depth});
    EXPECT_EQ(placements, (std::vector<Placement>{{false, 0, 3, 3}, {false, 0, 1, 1}, {true, 1, 1, 1},
                                                  {false, 2, 1, 2}, {false, 2, 2, 0}}));
    // Every list is used up by the write.
    for (const auto &entry : movie.Placements()) EXPECT_TRUE(entry.second.empty()) << entry.first;
}

// The test reader's display-list checks, on files whose placement tags are
// written by hand (outside the registry, so they keep the depths given):
// two rectangles 1 and 2 (or both 1), then the placements and removals of a
// row.
TEST(DisplayListCheck, FaultsTheReaderFinds) {
    struct Step {
        bool remove;
        uint16_t id, depth, key;
    };
    struct Row {
        const char *name;
        std::vector<Step> steps;
        bool withKeys;
        const char *fault;  // part of the reader's message; empty: sound
        bool sameIds = false;
    } rows[] = {
        {"Sound", {{false, 1, 1, 3}, {false, 2, 2, 5}, {true, 1, 1, 0}, {false, 1, 1, 3}}, true, ""},
        {"TakenDepth", {{false, 1, 1, 3}, {false, 2, 1, 3}}, false, "already holds character 1"},
        {"RemoveOfAnotherCharacter", {{false, 1, 1, 3}, {true, 2, 1, 0}}, false, "which no placement of it holds"},
        {"RemoveOfAFreeDepth", {{false, 1, 1, 3}, {true, 1, 2, 0}}, false, "which no placement of it holds"},
        {"HigherKeyBehind", {{false, 1, 1, 5}, {false, 2, 2, 3}}, true, "is drawn in front of key 5"},
        {"LowerKeyInFront", {{false, 1, 4, 3}, {false, 2, 2, 5}}, true, "is drawn behind key 3"},
        {"SameFileWithoutKeys", {{false, 1, 1, 5}, {false, 2, 2, 3}}, false, ""},
        {"KeysOnceTheLowerOneLeft", {{false, 1, 1, 5}, {true, 1, 1, 0}, {false, 2, 0, 3}}, true, ""},
        {"DefinedTwice", {}, false, "character 1 defined twice", true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        test::Ids().ResetCharacterIds();
        Movie movie(test::Ids());
        RectItem one(0_tw, 0_tw, 100_tw, 100_tw), two(0_tw, 0_tw, 100_tw, 100_tw);
        for (RectItem *item : {&one, &two}) {
            if (row.sameIds) test::Ids().ResetCharacterIds();
            item->SetDefineOnly(1);
            movie.GetFrame(0)->ShowItem(item);
        }
        std::vector<uint16_t> keys;
        for (const Step &step : row.steps) {
            if (step.remove) {
                movie.GetFrame(0)->AddTag(std::make_unique<RemoveObjectTag>(step.id, step.depth));
            } else {
                movie.GetFrame(0)->AddTag(Place(step.depth, step.id));
                keys.push_back(step.key);
            }
        }
        test::SwfMovie parsed;
        std::string error;
        bool sound = test::ReadSwf(test::WriteAndRead(movie), parsed, error, row.withKeys ? &keys : nullptr);
        EXPECT_EQ(sound, *row.fault == '\0') << error;
        EXPECT_NE(error.find(row.fault), std::string::npos) << error;
    }
}

// Keys or depths of placements, one list per character.
using PerCharacter = std::map<uint16_t, std::vector<uint16_t>>;

// Places each character at the keys of its list, in list order, and gives
// the depths the assignment hands out in the same layout.
PerCharacter AssignedDepths(const PerCharacter &keys) {
    Timeline t;
    for (const auto &[id, list] : keys)
        for (uint16_t key : list) t.Show(key, id);
    AssignDepths(t.registry);
    PerCharacter depths;
    auto place = t.places.begin();
    for (const auto &[id, list] : keys)
        for (size_t i = 0; i < list.size(); ++i) depths[id].push_back((*place++)->Depth());
    return depths;
}

TEST(DepthAssignment, EqualKeysGoByCharacterId) {
    EXPECT_EQ(AssignedDepths({{9, {5}}, {4, {5}}}), (PerCharacter{{4, {0}}, {9, {1}}}));
}

TEST(DepthAssignment, EmptyRegistryAndEmptyLists) {
    PlacementRegistry registry;
    AssignDepths(registry);
    EXPECT_TRUE(registry.empty());
    registry[1];
    registry[2];
    AssignDepths(registry);
    EXPECT_EQ(registry.size(), 2u);
}

// The depth assignment written out plainly, as an independent reference:
// for each character in ascending id order, a cursor from the front of the
// working list moves on past every record whose key is <= the new record's
// key and never moves back; the record goes in front of it. Then a stable
// sort by key, and position i is depth i.
std::map<const Tag *, uint16_t> OracleDepths(const PlacementRegistry &registry) {
    std::list<PlacementRecord> w;
    for (const auto &entry : registry) {
        auto cursor = w.begin();
        for (const PlacementRecord &r : entry.second) {
            while (cursor != w.end() && cursor->key <= r.key) ++cursor;
            w.insert(cursor, r);
        }
    }
    std::vector<PlacementRecord> sorted(w.begin(), w.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const PlacementRecord &a, const PlacementRecord &b) { return a.key < b.key; });
    std::map<const Tag *, uint16_t> depths;
    for (size_t i = 0; i < sorted.size(); ++i) {
        depths[sorted[i].place] = static_cast<uint16_t>(i);
        if (sorted[i].remove) depths[sorted[i].remove] = static_cast<uint16_t>(i);
    }
    return depths;
}

// Kinds of registry: keys from the library's few depth values or from the
// whole 16-bit range; per character a constant key, an ascending run, or any
// order (a character whose key changes between placements).
void MakeRegistry(std::mt19937 &random, Timeline &out, bool large = false) {
    static const int32_t kLibraryKeys[] = {1, 100, 150, 151, 152, 153, 200, 499, 500};
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    bool fewKeys = pick(2) == 0;
    // Large registries (thousands of records) take the counting sort.
    int characters = large ? 200 + pick(200) : 1 + pick(25);
    for (int c = 0; c < characters; ++c) {
        int32_t id = pick(3) == 0 ? c + 1 : pick(65536);  // dense or sparse ids
        int style = pick(3);                              // 0 constant, 1 ascending, 2 any
        int count = large ? 10 + pick(30) : pick(12);
        auto key = [&] { return fewKeys ? kLibraryKeys[pick(9)] : pick(65536); };
        int32_t k = key();
        std::vector<int32_t> keys;
        for (int i = 0; i < count; ++i) keys.push_back(style == 0 ? k : key());
        if (style == 1) std::sort(keys.begin(), keys.end());
        for (int32_t kk : keys) {
            out.Show(static_cast<uint16_t>(kk), static_cast<uint16_t>(id));
            if (pick(2) == 0) out.Hide(static_cast<uint16_t>(id));
        }
    }
}

TEST(DepthAssignment, MatchesThePlainMergeOnRandomRegistries) {
    std::mt19937 random(20261208);
    int checkedTags = 0;
    for (int round = 0; round < 3020; ++round) {
        Timeline r;
        MakeRegistry(random, r, round >= 3000);
        std::map<const Tag *, uint16_t> expected = OracleDepths(r.registry);
        // Poison the depths so that a tag the assignment misses shows.
        for (auto &p : r.places) p->SetDepth(0xBEEF);
        for (auto &m : r.removes) m->SetDepth(0xBEEF);
        AssignDepths(r.registry);
        ASSERT_EQ(expected.size(), r.places.size() + r.removes.size());
        for (size_t i = 0; i < r.places.size(); ++i) {
            ASSERT_EQ(r.places[i]->Depth(), expected[r.places[i].get()])
                << "round " << round << ", placement " << i << " of character "
                << r.places[i]->PlacedCharacterId();
            ++checkedTags;
        }
        for (size_t i = 0; i < r.removes.size(); ++i) {
            ASSERT_EQ(r.removes[i]->Depth(), expected[r.removes[i].get()])
                << "round " << round << ", removal " << i;
            ++checkedTags;
        }
        for (const auto &entry : r.registry) ASSERT_TRUE(entry.second.empty());
    }
    EXPECT_GT(checkedTags, 200000);
}

// An unsorted list is merged in its own order; equal keys keep that order
// through the stable sort.
TEST(DepthAssignment, UnsortedListKeepsMergeOrderForEqualKeys) {
    // Character 1: keys 2, 1, 2. Character 2: key 2. Merge: [1:2a, 1:1, 1:2b];
    // character 2's key 2 passes 1:2a (2 <= 2), 1:1, 1:2b, goes last.
    // Sort: 1:1, 1:2a, 1:2b, 2:2.
    EXPECT_EQ(AssignedDepths({{1, {2, 1, 2}}, {2, {2}}}), (PerCharacter{{1, {1, 0, 2}}, {2, {3}}}));
}

// A record of a later character that passed the whole list is not compared
// with earlier records again: the cursor never moves back.
TEST(DepthAssignment, CursorNeverMovesBack) {
    // Character 1: keys 3, 1. Character 2: keys 3, 1. Merging 2 into
    // [1:3, 1:1]: 2:3 passes both (3 <= 3, 1 <= 3) and goes last; 2:1 starts
    // from the end: [1:3, 1:1, 2:3, 2:1]. Sort: 1:1, 2:1, 1:3, 2:3. (A cursor
    // that went back to the front would put 2:1 first.)
    EXPECT_EQ(AssignedDepths({{1, {3, 1}}, {2, {3, 1}}}), (PerCharacter{{1, {2, 0}}, {2, {3, 1}}}));
}

TEST(DepthAssignment, CursorStopsAtTheFirstGreaterKey) {
    // Character 1: keys 5, 1. Character 2: keys 3, 1.
    // 2:3 stops in front of 1:5: [2:3, 1:5, 1:1]; 2:1 starts from 1:5
    // (5 > 1) and goes in front of it: [2:3, 2:1, 1:5, 1:1].
    // Sort: 2:1, 1:1, 2:3, 1:5 -- 2:1 before 1:1 although 1 < 2.
    EXPECT_EQ(AssignedDepths({{1, {5, 1}}, {2, {3, 1}}}), (PerCharacter{{1, {3, 1}}, {2, {2, 0}}}));
}

// Exactly 65536 placements keep one depth each, in stacking order, even
// where a depth could be reused.
TEST(DepthAssignment, UpTo65536PlacementsKeepADepthEach) {
    Timeline t;
    for (int i = 0; i < 65536; ++i) {
        t.Show(1, 1);
        t.Hide(1);
    }
    EXPECT_EQ(AssignDepths(t.registry), 0u);
    EXPECT_EQ(t.places[0]->Depth(), 0);
    EXPECT_EQ(t.places[65535]->Depth(), 65535);
    EXPECT_EQ(t.removes[65535]->Depth(), 65535);
}

// Beyond 65536, a slide stays at the back, a sprite moved in every frame
// reuses the depth its last placement left, and a second sprite in front
// of it the next one.
TEST(DepthAssignment, BeyondThatRemovedDepthsAreReused) {
    Timeline t;
    PlaceObject2Tag *slide = t.Show(1, 1);
    std::vector<PlaceObject2Tag *> a, b;
    std::vector<RemoveObjectTag *> ra;
    for (int frame = 0; frame < 40000; ++frame) {
        if (frame > 0) {
            ra.push_back(t.Hide(2));
            t.Hide(3);
        }
        a.push_back(t.Show(200, 2));
        b.push_back(t.Show(300, 3));
    }
    EXPECT_EQ(AssignDepths(t.registry), 0u);
    EXPECT_EQ(slide->Depth(), 0);
    for (size_t i = 0; i < a.size(); i += 997) {
        EXPECT_EQ(a[i]->Depth(), 1) << i;
        EXPECT_EQ(b[i]->Depth(), 2) << i;
    }
    EXPECT_EQ(ra.back()->Depth(), 1);
}

// Among placements on the stage at once, a higher key is always at a higher
// depth, and no two share one: random timelines replayed tag by tag.
TEST(DepthAssignment, ReusedDepthsKeepTheStackingOrder) {
    std::mt19937 random(7);
    for (int round = 0; round < 3; ++round) {
        Timeline t;
        std::map<uint16_t, bool> shown;
        while (t.places.size() <= 70000) {
            uint16_t id = static_cast<uint16_t>(1 + random() % 40);
            if (shown[id] && random() % 2) {
                t.Hide(id);
                shown[id] = false;
            } else if (!shown[id]) {
                t.Show(static_cast<uint16_t>(random() % 5), id);
                shown[id] = true;
            }
        }
        std::vector<uint16_t> keys;
        for (const auto &place : t.places) keys.push_back(place->Depth());
        EXPECT_EQ(AssignDepths(t.registry), 0u);
        std::map<uint16_t, uint16_t> stage;  // depth -> key
        size_t p = 0, r = 0, faults = 0;
        for (size_t i = 0; i < t.removal.size() && faults < 5; ++i) {
            if (!t.removal[i]) {
                uint16_t depth = t.places[p]->Depth(), key = keys[p++];
                auto above = stage.lower_bound(depth);
                bool free = above == stage.end() || above->first != depth;
                bool below = above == stage.begin() || std::prev(above)->second <= key;
                bool front = above == stage.end() || above->second >= key;
                if (!free || !below || !front) {
                    ++faults;
                    ADD_FAILURE() << "round " << round << ", placement " << p - 1 << " at depth " << depth
                                  << (free ? " out of stacking order" : " on a taken depth");
                }
                stage[depth] = key;
            } else {
                stage.erase(t.removes[r++]->Depth());
            }
        }
    }
}

// A placement that would need a depth beyond 65535 is refused: its tags
// write nothing.
TEST(DepthAssignment, PlacementsBeyondTheDepthsAreRefused) {
    Timeline t;
    for (int i = 0; i < 65538; ++i) t.Show(1, 1);
    RemoveObjectTag *late = t.Hide(1);
    EXPECT_EQ(AssignDepths(t.registry), 2u);
    EXPECT_EQ(t.places[0]->Depth(), 0);
    EXPECT_EQ(TagHex(*t.places[65537]), "");
    EXPECT_EQ(TagHex(*late), "");
    EXPECT_FALSE(t.places[65535]->Refused());
    EXPECT_TRUE(t.places[65536]->Refused());
}

}  // namespace
}  // namespace quillon
