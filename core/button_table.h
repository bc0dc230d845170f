// Every change of the drill buttons' enabled states, in one table.
//
// Each event of the drill maps to the button changes it makes, in the order
// it makes them. The four buttons then move through five combinations:
//
//   state                                    答えは  ○    ×    採点
//   S0 nothing loaded                         off    off  off  off
//   S1 question shown, answer hidden          on     off  off  on
//   S2 answer revealed                        off    on   on   on
//   S3 all graded (closing message given)     off    off  off  on
//   S4 answer revealed, then a file opened    on     on   on   on

#ifndef TAVOSU_CORE_BUTTON_TABLE_H_
#define TAVOSU_CORE_BUTTON_TABLE_H_

#include "core/window_ops.h"

namespace tavosu {

enum class ButtonEvent {
  kWindowLoaded,
  kLoadCompleted,
  kQuestionFound,
  kNoneLeft,
  kAnswerRevealed,
  kGraded,
};

// Applies the changes of event to window, in order.
void ApplyButtonChanges(ButtonEvent event, WindowOps& window);

}  // namespace tavosu

#endif  // TAVOSU_CORE_BUTTON_TABLE_H_
