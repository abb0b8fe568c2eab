// Seed corpus of the exports fuzz target: a few well-formed host sessions in
// its input language (a slide show with navigation, sprites and overlays,
// links and stops, animated lists, a sound), one file each.
#include <cstdio>
#include <string>
#include <vector>

#include "exports_ops.h"

using namespace quillon::fuzz;

namespace {

void Save(const std::string &dir, const char *name, const Writer &w) {
    std::FILE *f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return;
    std::fwrite(w.bytes.data(), 1, w.bytes.size(), f);
    std::fclose(f);
}

Writer SlideShow() {
    Writer w;
    w.Call(kCreateMovie).Int(64).Int(48).Int(3).Int(12);
    for (int i = 0; i < 3; ++i) {
        w.Call(kCreateFrame).Put(static_cast<uint8_t>(i)).Int(16);
        w.Call(kStopFrame).Int(-1);
        w.Call(kNextSlide);
    }
    for (int kind = 0; kind <= 6; ++kind)
        w.Call(kAddButton).Int(kind).Put(9).Int(kind * 8).Int(40).Int(8).Int(8);
    w.Call(kWriteMovie).Put(0);
    return w;
}

Writer SpritesAndOverlays() {
    Writer w;
    w.Call(kCreateMovie).Int(50).Int(30).Int(2).Int(24);
    w.Call(kSetSpritesCount).Int(3).Call(kSetInfoCount).Int(2);
    w.Call(kAddSprite).Int(0).Put(3).Int(4).Int(4).Call(kAddSprite).Int(1).Put(4).Int(5).Int(3);
    w.Call(kCreateFrame).Put(1).Int(4);
    w.Call(kTranslateSprite).Int(0).Int(10).Int(5).Call(kShowSprite).Int(0).Call(kShowSprite).Int(1);
    w.Call(kAddInfo).Int(0).Int(2).Int(2).Int(12).Int(9).Put(2).Int(8);
    w.Call(kNextSlide).Call(kDuplicateFrame);
    w.Call(kHideSprite).Int(0).Call(kTranslateSprite).Int(0).Int(20).Int(7).Call(kShowSprite).Int(0);
    w.Call(kRemoveAndDestroyAllInfo).Call(kAddPauseButton).Put(5).Int(1).Int(1).Int(6).Int(6);
    w.Call(kStopFrame).Int(-1).Call(kNextSlide).Call(kRemoveButtons);
    w.Call(kWriteMovie).Put(0);
    return w;
}

Writer LinksAndStops() {
    Writer w;
    w.Call(kCreateMovie).Int(40).Int(40).Int(1).Int(12);
    w.Call(kCreateFrame).Put(7).Int(2);
    w.Call(kAddHyperLink).Text("http://example.org/").Text("_blank").Int(0).Int(0).Int(20).Int(20);
    w.Call(kAddAutomaticHyperLink).Int(3).Text("page.html").Text("");
    w.Call(kStopFrame).Int(5).Call(kNextSlide).Call(kInitButtonList);
    w.Call(kWriteMovie).Put(2).Call(kWriteMovie).Put(1);
    return w;
}

Writer Animation() {
    Writer w;
    w.Call(kCreateMovie).Int(80).Int(60).Int(1).Int(12);
    w.Call(kCreateFrame).Put(2).Int(3).Call(kInitAnimatedList);
    w.Call(kAddRubber).Int(0).Int(5).Int(5).Int(40).Int(30).Int(2).Int(0x0000FF);
    w.Call(kAddRubber).Int(1).Int(10).Int(10).Int(60).Int(50).Int(1).Int(0x00FF00);
    w.Call(kAddAtAttractor).Int(2).Int(1).Int(1).Int(10).Int(10).Int(20).Int(1).Int(30).Int(10)
        .Int(0x808080).Int(0xFF0000);
    for (int i = 0; i < 4; ++i) w.Call(kDuplicateFrame).Call(kAnimateList);
    w.Call(kDestroyAnimatedList).Call(kNextSlide).Call(kWriteMovie).Put(0);
    return w;
}

Writer Sound() {
    Writer w;
    w.Call(kCreateMovie).Int(20).Int(20).Int(1).Int(12);
    w.Call(kCreateFrame).Put(0).Int(2);
    w.Call(kAddSound).Put(1).Put(1).Put(0xE8).Put(0x03);
    w.Call(kNextSlide).Call(kWriteMovie).Put(0);
    return w;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    std::string dir = argv[1];
    Save(dir, "slide-show", SlideShow());
    Save(dir, "sprites-and-overlays", SpritesAndOverlays());
    Save(dir, "links-and-stops", LinksAndStops());
    Save(dir, "animation", Animation());
    Save(dir, "sound", Sound());
    return 0;
}
