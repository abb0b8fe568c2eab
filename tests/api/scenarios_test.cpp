// Every host scenario (tests/host), run in this process through the same
// table of exports, with each movie it writes read back by the strict reader,
// display-list and stacking checks included.
#include "api/api_fixture.h"

extern "C" {
#include "quillon_api.h"
}

namespace quillon::test {
namespace {

struct Written {
    std::string path, error;
    bool sound = false;
};
std::vector<Written> gWritten;

// WriteMovie as the scenarios see it: the stacking keys are taken before the
// write, the file is read back after it.
void QUILLON_CALL CheckedWriteMovie(const char *fileName) {
    std::vector<uint16_t> keys;
    if (State().currentMovie) keys = StackingKeys(*State().currentMovie);
    WriteMovie(fileName);
    Written w;
    w.path = fileName ? fileName : "";
    SwfMovie movie;
    w.sound = ReadSwfFile(w.path, movie, w.error, &keys);
    gWritten.push_back(w);
}

std::vector<std::string> ScenarioNames() {
    std::vector<std::string> names;
    for (const QuillonScenarioEntry *const *table = quillonScenarioTables; *table; ++table)
        for (const QuillonScenarioEntry *e = *table; e->name; ++e) names.push_back(e->name);
    return names;
}

class HostScenarios : public ApiTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(HostScenarios, EveryMovieReadsBack) {
    QuillonApi q;
#define QUILLON_API_BIND(name, ret, args) q.name = name;
    QUILLON_EXPORTS(QUILLON_API_BIND)
#undef QUILLON_API_BIND
    q.WriteMovie = CheckedWriteMovie;
    const QuillonScenarioEntry *e = QuillonFindScenario(GetParam().c_str());
    ASSERT_NE(e, nullptr);
    gWritten.clear();
    std::string path = Path(GetParam() + ".swf");
    EXPECT_EQ(QuillonRunScenario(&q, e, path.c_str(), dir_.c_str()), 0);
    // One movie a scenario, at its own path; the two-movies one writes its
    // first movie before it.
    ASSERT_EQ(gWritten.size(), GetParam() == "player-sprite-two-movies" ? 2u : 1u);
    EXPECT_EQ(gWritten.back().path, path);
    for (const Written &w : gWritten) EXPECT_TRUE(w.sound) << w.path << ": " << w.error;
}

INSTANTIATE_TEST_SUITE_P(All, HostScenarios, ::testing::ValuesIn(ScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             std::string name = info.param;
                             for (char &c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace quillon::test
