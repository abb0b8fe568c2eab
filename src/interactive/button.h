// Buttons: the Button display item, its condition action and the
// DefineButton2 tag (code 34) with one BUTTONRECORD per state.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "characters/display_item.h"
#include "interactive/actions.h"

namespace quillon {

// The condition numbers that ConditionAction and Button take: number n
// sets the flag 0x0100 >> (n - 1) of a BUTTONCONDACTION, so they run from
// OverDownToIdle (0x0100) to IdleToOverUp (0x0001).
enum ButtonCondition : uint32_t {
    kOverDownToIdle = 1,
    kIdleToOverDown,
    kOutDownToIdle,
    kOutDownToOverDown,
    kOverDownToOutDown,
    kOverDownToOverUp,  // the ordinary click: released over the button
    kOverUpToOverDown,
    kOverUpToIdle,
    kIdleToOverUp,
};
// The flag of kOverDownToIdle in the UI16 of conditions; each later
// condition's flag is one bit lower.
constexpr uint16_t kOverDownToIdleFlag = 0x0100;

// Codes of CondKeyPress, the upper 7 bits of a BUTTONCONDACTION's condition
// word: special keys below 32, from 32 on the ASCII code of the key's
// character. A player runs such a condition's actions when the key is
// pressed while the button is on the stage, wherever the mouse is.
enum ButtonKey : uint8_t {
    kKeyLeft = 1,
    kKeyRight = 2,
    kKeyHome = 3,
    kKeyEnd = 4,
    kKeyPageUp = 16,
    kKeyPageDown = 17,
    kKeySpace = 32,
};

// One BUTTONCONDACTION: condition flags and the actions they run.
class ConditionAction {
public:
    // Sets the flag of a ButtonCondition; other numbers set nothing.
    void SetCondition(uint16_t number);
    // Sets CondKeyPress (bits 9 to 15) to key, which must be below 128.
    void SetKeyPress(uint8_t key);
    uint8_t KeyPress() const { return static_cast<uint8_t>(conditions_ >> 9); }
    // For a condition action that another follows: CondActionSize counts
    // from the size field to the next one.
    void Write(SwfStream &stream) const;
    // For the last one: CondActionSize 0.
    void WriteLast(SwfStream &stream) const;
    ActionList &Actions() { return actions_; }
    uint16_t Conditions() const { return conditions_; }

private:
    ActionList actions_;
    uint16_t conditions_ = 0;
};

// Flags byte (four reserved bits, hit-test, down, over, up), character id,
// layer, PlaceMatrix, colour transform.
class ButtonRecord {
public:
    ButtonRecord(uint8_t hitTest, uint8_t down, uint8_t over, uint8_t up, uint16_t characterId,
                 uint16_t layer, std::unique_ptr<Matrix> matrix,
                 std::unique_ptr<CxformWithAlpha> colorTransform);
    void Write(SwfStream &stream) const;

private:
    uint8_t hitTest_, down_, over_, up_;
    uint16_t layer_;
    std::unique_ptr<Matrix> matrix_;
    std::unique_ptr<CxformWithAlpha> colorTransform_;
    uint16_t characterId_;
};

class DefineButton2Tag : public CharacterTag {
public:
    DefineButton2Tag(MovieContext &context, uint8_t trackAsMenu);
    void AddRecord(std::unique_ptr<ButtonRecord> record) { records_.push_back(std::move(record)); }
    void AddConditionAction(std::unique_ptr<ConditionAction> action) {
        conditionActions_.push_back(std::move(action));
    }
    void Write(SwfStream &stream) override;

private:
    uint8_t trackAsMenu_;
    std::vector<std::unique_ptr<ConditionAction>> conditionActions_;
    std::vector<std::unique_ptr<ButtonRecord>> records_;
};

// A button from four state items (borrowed: up, over, down, hit-test; one item
// may stand in several states). Shown once: the states define themselves
// without placement, then the DefineButton2 and a PlaceObject2. A second
// showing only places the existing character again.
class Button : public DisplayItem {
public:
    Button(DisplayItem *up, DisplayItem *over, DisplayItem *down, DisplayItem *hitTest);
    // Appends the descriptor's action; a condition that is no ButtonCondition
    // sets no flag.
    void AttachAction(const ActionDescriptor &descriptor, uint32_t condition);
    // Appends the descriptor's action to the condition action of a key press,
    // made on the key's first use. They follow the mouse condition in the
    // tag, in the order of their keys' first use.
    void AttachKeyAction(const ActionDescriptor &descriptor, ButtonKey key);
    void AddToFrame(Frame &frame, Movie &movie) override;
    uint32_t IdsToDefine(const Movie &movie) const override;

protected:
    // Its condition action went to the first DefineButton2.
    bool CanRedefine() const override { return false; }

private:
    DisplayItem *states_[4];
    std::unique_ptr<ConditionAction> conditionAction_;
    std::vector<std::unique_ptr<ConditionAction>> keyActions_;
};

}  // namespace quillon
