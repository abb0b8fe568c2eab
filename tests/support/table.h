// GoogleTest helpers for tables of named rows (apart from bytes.h, which the
// fuzz build compiles without GoogleTest).
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "support/bytes.h"

namespace quillon::test {

// Names each instance of a TEST_P after its row's `name`.
struct RowName {
    template <class Info>
    std::string operator()(const Info &info) const { return info.param.name; }
};

// What is written into an empty stream, and the exact bytes it leaves there.
struct WriteCase {
    const char *name;
    std::function<void(SwfStream &)> write;
    const char *bytes;
};
class WriteBytes : public ::testing::TestWithParam<WriteCase> {
protected:
    void ExpectWritten() const {
        SwfStream s;
        GetParam().write(s);
        EXPECT_EQ(StreamHex(s), ToHex(Hex(GetParam().bytes)));
    }
};

}  // namespace quillon::test
