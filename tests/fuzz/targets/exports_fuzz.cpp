// Fuzz target: the 27 exports called in any order with any arguments, as a
// careless host would (see exports_ops.h for the input language). Pixel,
// palette and rectangle buffers are exactly as large as the arguments passed
// with them say, so the sanitizers catch any read beyond them; null pointers
// are never passed. Every movie written must read back with the tests' SWF
// reader (tag lengths, FileLength, ids defined once and before use, every
// PlaceObject2 on a free depth, every RemoveObject naming a depth held by the
// same character, the stacking order of the placements' depth values) and
// carry the stage and frame
// rate given; a write that fails must leave no temporary file behind.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api/library_state.h"
#include "exports_ops.h"
#include "quillon.h"
#include "support/bytes.h"
#include "sound/wav_builder.h"
#include "support/swf_reader.h"

namespace {

using namespace quillon::fuzz;

constexpr int64_t kMaxBuffer = 1 << 20;  // bytes; larger pictures are not passed
constexpr int32_t kMaxPixels = 53687091;

[[noreturn]] void Fail(const std::string &what) {
    std::fprintf(stderr, "exports_fuzz: %s\n", what.c_str());
    std::abort();
}

struct Workspace {
    std::string dir = quillon::test::TempDir(), movie = dir + "/movie.swf", directoryTarget = dir + "/a-directory",
                missing = dir + "/missing/movie.swf", sound = dir + "/sound.wav";
    Workspace() { mkdir(directoryTarget.c_str(), 0700); }
    ~Workspace() {
        std::remove(movie.c_str());
        std::remove(sound.c_str());
        rmdir(directoryTarget.c_str());
        rmdir(dir.c_str());
    }
    // Nothing but the directory target and the sound file may be left.
    void CheckNoStrayFiles() const {
        DIR *d = opendir(dir.c_str());
        if (!d) Fail("temporary directory vanished");
        while (dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != ".." && n != "a-directory" && n != "sound.wav") {
                closedir(d);
                Fail("a write left " + n + " behind");
            }
        }
        closedir(d);
    }
};

Workspace &Work() {
    static Workspace w;
    return w;
}

// An exactly sized buffer (new[] of n bytes, so one byte past it is caught),
// filled with runs and noise from a seed byte.
std::unique_ptr<uint8_t[]> Buffer(int64_t n, uint8_t seed) {
    std::unique_ptr<uint8_t[]> b(new uint8_t[static_cast<size_t>(n)]);
    uint32_t x = seed * 2654435761u + 1;
    for (int64_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[static_cast<size_t>(i)] = seed & 1 ? static_cast<uint8_t>(x) : static_cast<uint8_t>((i / 7 + seed) & 15);
    }
    return b;
}

bool IsSide(int64_t v) { return v >= 1 && v <= 65535; }

// The buffer of a picture of w x h pixels of bpp bytes, as the library reads
// it: of the exact size when the library makes a bitmap of it, a small one
// it must not read at all when it cannot (a side out of 1..65535). False
// when the picture is too large to pass.
bool Picture(int64_t w, int64_t h, int64_t bpp, uint8_t seed, std::unique_ptr<uint8_t[]> &pixels) {
    int64_t n = IsSide(w) && IsSide(h) ? w * h * bpp : 1;
    if (n > kMaxBuffer) return false;
    pixels = Buffer(n, seed);
    return true;
}

int32_t ClampColours(int32_t n) { return n < 0 ? 0 : (n > 256 ? 256 : n); }
int32_t ClampSide(int32_t v) { return v < 0 ? 0 : (v > kMaxPixels ? kMaxPixels : v); }

// What the fuzzer knows of the library's state, for checking what it writes.
struct Model {
    bool movieOpen = false;
    int32_t width = 0, height = 0, rate = 0;
};

void WriteSoundFile(Reader &in) {
    quillon::test::Bytes bytes;
    uint8_t mode = in.Byte();
    if (mode & 1) {
        // A well-formed 8-bit mono 11 kHz PCM file, or 16-bit stereo.
        bool wide = mode & 2;
        uint32_t frames = in.Word() % 4000;
        uint16_t channels = wide ? 2 : 1, bits = wide ? 16 : 8;
        quillon::test::Bytes data(frames * channels * bits / 8);
        for (uint32_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>((i * 37) ^ (i >> 3));
        bytes = quillon::test::PcmWav(channels, wide ? 22050 : 11025, bits, data);
    } else {
        // Whatever bytes follow in the input.
        uint32_t n = in.Word() % 2048;
        for (uint32_t i = 0; i < n; ++i) bytes.push_back(in.Byte());
    }
    if (!quillon::test::WriteBytes(Work().sound, bytes)) Fail("cannot write the sound file");
}

void CheckWritten(const Model &m, const std::vector<uint16_t> &keys) {
    const std::string &path = Work().movie;
    bool exists = quillon::test::FileExists(path);
    if (!m.movieOpen) {
        if (exists) Fail("WriteMovie without a movie wrote a file");
        return;
    }
    if (!exists) Fail("WriteMovie wrote no file");
    std::vector<uint8_t> bytes = quillon::test::ReadFileBytes(path);
    quillon::test::SwfMovie movie;
    std::string error;
    if (!quillon::test::ReadSwf(bytes, movie, error, &keys)) Fail("the movie does not read back: " + error);
    const quillon::test::SwfHeader &h = movie.header;
    if (h.xMin != 0 || h.yMin != 0 || h.xMax != m.width * 20 || h.yMax != m.height * 20)
        Fail("the stage in the header is not the one created");
    if (h.frameRate != static_cast<uint8_t>(m.rate)) Fail("the frame rate in the header is wrong");
    std::remove(path.c_str());
}

void WriteAndCheck(Model &m, uint8_t variant) {
    Workspace &w = Work();
    switch (variant % 3) {
    case 0: {
        std::vector<uint16_t> keys;
        if (quillon::State().currentMovie) keys = quillon::test::StackingKeys(*quillon::State().currentMovie);
        WriteMovie(w.movie.c_str());
        CheckWritten(m, keys);
        break;
    }
    case 1:
        WriteMovie(w.missing.c_str());  // the directory does not exist
        break;
    default:
        WriteMovie(w.directoryTarget.c_str());  // cannot replace a directory
        struct stat st;
        if (stat(w.directoryTarget.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            Fail("a failed write replaced its target");
        break;
    }
    w.CheckNoStrayFiles();
}

void Call(Reader &in, Model &m) {
    std::unique_ptr<uint8_t[]> pixels;
    switch (in.Byte() % kOpCount) {
    case kCreateMovie: {
        int32_t w = in.Int(), h = in.Int(), slides = in.Int(), rate = in.Int();
        CreateMovie(w, h, slides, rate);
        m = Model{true, ClampSide(w), ClampSide(h), rate};
        break;
    }
    case kDuplicateFrame: DuplicateFrame(); break;
    case kNextSlide: NextSlide(); break;
    case kWriteMovie: WriteAndCheck(m, in.Byte()); break;
    case kDestroyMovie:
        DestroyMovie();
        m.movieOpen = false;
        break;
    case kCreateFrame: {
        uint8_t seed = in.Byte();
        int32_t colours = in.Int();
        if (!Picture(m.movieOpen ? m.width : 0, m.height, 1, seed, pixels)) break;  // no movie: none read
        auto palette = Buffer(ClampColours(colours) * 3, seed);
        CreateFrame(pixels.get(), palette.get(), colours);
        break;
    }
    case kStopFrame: StopFrame(in.Int()); break;
    case kInitButtonList: InitButtonList(); break;
    case kRemoveButtons: RemoveButtons(); break;
    case kAddPauseButton: {
        uint8_t seed = in.Byte();
        int32_t x = in.Int(), y = in.Int(), w = in.Int(), h = in.Int();
        if (Picture(w, h, 4, seed, pixels)) AddPauseButton(pixels.get(), x, y, w, h);
        break;
    }
    case kAddHyperLink: {
        std::string url = in.Text(), target = in.Text();
        int32_t x1 = in.Int(), y1 = in.Int(), x2 = in.Int(), y2 = in.Int();
        AddHyperLink(url.c_str(), target.c_str(), x1, y1, x2, y2);
        break;
    }
    case kAddAutomaticHyperLink: {
        int32_t frame = in.Int();
        std::string url = in.Text(), target = in.Text();
        AddAutomaticHyperLink(frame, url.c_str(), target.c_str());
        break;
    }
    case kAddButton: {
        int32_t kind = in.Int();
        uint8_t seed = in.Byte();
        int32_t x = in.Int(), y = in.Int(), w = in.Int(), h = in.Int();
        std::unique_ptr<uint8_t[]> over, down;
        if (Picture(w, h, 4, seed, pixels) && Picture(w, h, 4, seed + 1, over) && Picture(w, h, 4, seed + 2, down))
            AddButton(kind, pixels.get(), over.get(), down.get(), x, y, w, h);
        break;
    }
    case kSetSpritesCount: SetSpritesCount(in.Int()); break;
    case kAddSprite: {
        int32_t index = in.Int();
        uint8_t seed = in.Byte();
        int32_t w = in.Int(), h = in.Int();
        if (Picture(w, h, 4, seed, pixels)) AddSprite(index, pixels.get(), w, h);
        break;
    }
    case kTranslateSprite: {
        int32_t index = in.Int(), x = in.Int(), y = in.Int();
        TranslateSprite(index, x, y);
        break;
    }
    case kShowSprite: ShowSprite(in.Int()); break;
    case kHideSprite: HideSprite(in.Int()); break;
    case kSetInfoCount: SetInfoCount(in.Int()); break;
    case kAddInfo: {
        int32_t index = in.Int(), x1 = in.Int(), y1 = in.Int(), x2 = in.Int(), y2 = in.Int();
        uint8_t seed = in.Byte();
        int32_t colours = in.Int();
        if (!Picture(static_cast<int64_t>(x2) - x1 + 1, static_cast<int64_t>(y2) - y1 + 1, 1, seed, pixels)) break;
        auto palette = Buffer(ClampColours(colours) * 3, seed);
        AddInfo(index, x1, y1, x2, y2, pixels.get(), palette.get(), colours);
        break;
    }
    case kRemoveAndDestroyAllInfo: RemoveAndDestroyAllInfo(); break;
    case kAddSound: {
        uint8_t variant = in.Byte();
        if (variant % 3 == 0) {
            AddSound((Work().dir + "/no-such.wav").c_str());
        } else if (variant % 3 == 1) {
            WriteSoundFile(in);
            AddSound(Work().sound.c_str());
        } else {
            AddSound("");
        }
        break;
    }
    case kInitAnimatedList: InitAnimatedList(); break;
    case kAddRubber: {
        int32_t kind = in.Int(), x1 = in.Int(), y1 = in.Int(), x2 = in.Int(), y2 = in.Int();
        int32_t line = in.Int();
        uint32_t colour = static_cast<uint32_t>(in.Int());
        AddRubber(kind, x1, y1, x2, y2, line, colour);
        break;
    }
    case kAddAtAttractor: {
        int32_t count = in.Int();
        // count records of four integers; counts outside 1..10 are not read,
        // and get a buffer of at most 16 records (none for 0 or less).
        int32_t records = count < 0 ? 0 : (count > 16 ? 16 : count);
        std::unique_ptr<int32_t[]> rects(new int32_t[static_cast<size_t>(records) * 4]);
        for (int32_t i = 0; i < records * 4; ++i) rects[static_cast<size_t>(i)] = in.Int();
        uint32_t colour = static_cast<uint32_t>(in.Int()), highlight = static_cast<uint32_t>(in.Int());
        AddAtAttractor(count, rects.get(), colour, highlight);
        break;
    }
    case kAnimateList: AnimateList(); break;
    case kDestroyAnimatedList: DestroyAnimatedList(); break;
    default: break;
    }
}

// Back to a library with no movie and empty tables, through the exports.
void Reset() {
    CreateMovie(1, 1, 0, 12);
    DuplicateFrame();
    RemoveButtons();
    DestroyMovie();
    SetSpritesCount(0);
    SetInfoCount(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Reset();
    Reader in(data, size);
    Model model;
    // A bound on the calls, so that one input cannot run for ever.
    for (int calls = 0; !in.Done() && calls < 2000; ++calls) Call(in, model);
    WriteAndCheck(model, 0);
    DestroyMovie();
    return 0;
}
