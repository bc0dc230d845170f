#include "core/button_table.h"

#include <span>

namespace tavosu {

namespace {

struct ButtonChange {
  DrillButton button;
  bool enabled;
};

using enum DrillButton;

constexpr ButtonChange kWindowLoaded[] = {
    {GoodButton, false}, {NGButton, false}, {AnswerButton, false}, {markButton, false}};
constexpr ButtonChange kLoadCompleted[] = {{AnswerButton, true}, {markButton, true}};
constexpr ButtonChange kQuestionFound[] = {{AnswerButton, true}};
constexpr ButtonChange kNoneLeft[] = {
    {AnswerButton, true}, {GoodButton, false}, {NGButton, false}, {AnswerButton, false}};
constexpr ButtonChange kAnswerRevealed[] = {
    {GoodButton, true}, {NGButton, true}, {AnswerButton, false}};
constexpr ButtonChange kGraded[] = {{GoodButton, false}, {NGButton, false}};

std::span<const ButtonChange> ButtonChanges(ButtonEvent event) {
  switch (event) {
    case ButtonEvent::kWindowLoaded: return kWindowLoaded;
    case ButtonEvent::kLoadCompleted: return kLoadCompleted;
    case ButtonEvent::kQuestionFound: return kQuestionFound;
    case ButtonEvent::kNoneLeft: return kNoneLeft;
    case ButtonEvent::kAnswerRevealed: return kAnswerRevealed;
    case ButtonEvent::kGraded: return kGraded;
  }
  return {};
}

}  // namespace

void ApplyButtonChanges(ButtonEvent event, WindowOps& window) {
  for (const ButtonChange& change : ButtonChanges(event)) {
    window.SetButtonEnabled(change.button, change.enabled);
  }
}

}  // namespace tavosu
