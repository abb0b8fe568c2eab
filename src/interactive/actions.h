// SWF 4 action records (Play, Stop, StopSounds, GotoFrame, GetURL), the
// descriptors that create a fresh action wherever they are applied, and the
// DoAction tag.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie/tag.h"

namespace quillon {

// The action codes this library writes; codes from 0x80 on are followed by
// a UI16 length and that many bytes.
enum ActionCode : uint8_t {
    kActionPlay = 0x06,
    kActionStop = 0x07,
    kActionStopSounds = 0x09,  // silences every sound playing, streams included
    kActionGotoFrame = 0x81,
    kActionGetURL = 0x83,
};
// Ends the actions of a DoAction tag or of a button condition.
constexpr uint8_t kActionEnd = 0x00;

class Action {
public:
    virtual ~Action() = default;
    virtual void Write(SwfStream &stream) const = 0;
};

using ActionList = std::vector<std::unique_ptr<Action>>;

// 06
class PlayAction : public Action {
public:
    void Write(SwfStream &stream) const override { stream.WriteUI8(kActionPlay); }
};

// 07
class StopAction : public Action {
public:
    void Write(SwfStream &stream) const override { stream.WriteUI8(kActionStop); }
};

// 09
class StopSoundsAction : public Action {
public:
    void Write(SwfStream &stream) const override { stream.WriteUI8(kActionStopSounds); }
};

// 81 02 00 frame(UI16)
class GotoFrameAction : public Action {
public:
    explicit GotoFrameAction(uint16_t frame) : frame_(frame) {}
    void Write(SwfStream &stream) const override;

private:
    uint16_t frame_;
};

// 83, payload length (UI16), url 00 target 00. Owns copies of both texts; a
// null text is taken as empty. The length field is a UI16 (kMaxUI16 payload
// bytes at most), so longer texts are cut to fit: the url first keeps up to
// that less the two terminators, the target whatever room is left, each cut
// at the start of a UTF-8 character, never inside one.
class GetURLAction : public Action {
public:
    GetURLAction(const char *url, const char *target);
    void Write(SwfStream &stream) const override;

private:
    std::string url_, target_;
};

// Writes each byte of text, then a 0 byte if terminate.
void WriteString(SwfStream &stream, const std::string &text, bool terminate);

class DoActionTag;

// Describes an action to take; each application creates a new Action and
// appends it to the target, which owns it. The descriptor stays the caller's.
class ActionDescriptor {
public:
    virtual std::unique_ptr<Action> MakeAction() const = 0;
    void FillConditionAction(ActionList &target) const { target.push_back(MakeAction()); }
    void FillDoAction(DoActionTag &target) const;

protected:
    ~ActionDescriptor() = default;
};

class PlayDescriptor : public ActionDescriptor {
public:
    std::unique_ptr<Action> MakeAction() const override { return std::make_unique<PlayAction>(); }
};

class StopDescriptor : public ActionDescriptor {
public:
    std::unique_ptr<Action> MakeAction() const override { return std::make_unique<StopAction>(); }
};

class StopSoundsDescriptor : public ActionDescriptor {
public:
    std::unique_ptr<Action> MakeAction() const override {
        return std::make_unique<StopSoundsAction>();
    }
};

// The target frame is taken modulo 65536.
class GotoFrameDescriptor : public ActionDescriptor {
public:
    explicit GotoFrameDescriptor(int32_t frame) : frame_(frame) {}
    std::unique_ptr<Action> MakeAction() const override {
        return std::make_unique<GotoFrameAction>(static_cast<uint16_t>(frame_ & kMaxUI16));
    }

private:
    int32_t frame_;
};

// Points at the caller's texts until applied; the action copies them.
class GetURLDescriptor : public ActionDescriptor {
public:
    GetURLDescriptor(const char *url, const char *target) : url_(url), target_(target) {}
    std::unique_ptr<Action> MakeAction() const override {
        return std::make_unique<GetURLAction>(url_, target_);
    }

private:
    const char *url_;
    const char *target_;
};

// DoAction (code 12): the actions, then ActionEndFlag 00.
class DoActionTag : public Tag {
public:
    void AddAction(std::unique_ptr<Action> action) { actions_.push_back(std::move(action)); }
    void Write(SwfStream &stream) override;
    const ActionList &Actions() const { return actions_; }

private:
    ActionList actions_;
};

}  // namespace quillon
