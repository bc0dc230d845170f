// A loaded question as the tests compare it.

#ifndef TAVOSU_TESTS_CORE_LOADED_H_
#define TAVOSU_TESTS_CORE_LOADED_H_

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/question_set.h"

namespace tavosu::testing {

struct Loaded {
  std::string question;
  std::string answer;
  bool right = false;
  bool operator==(const Loaded&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Loaded& q) {
  return out << "{\"" << q.question << "\", \"" << q.answer << "\", " << q.right << "}";
}

// The questions of set; checks that Correct is Graded, as a load leaves it.
inline std::vector<Loaded> LoadedOf(const QuestionSet& set) {
  std::vector<Loaded> loaded;
  for (int i = 0; i < set.QuestionCount; ++i) {
    loaded.push_back({std::string(set.Questions[i]), std::string(set.Answers[i]), set.Graded[i]});
    EXPECT_EQ(set.Graded[i], set.Correct[i]) << "question " << i;
  }
  return loaded;
}

// list, count times over.
template <typename List>
List Repeated(const List& list, int count) {
  List repeated;
  for (int i = 0; i < count; ++i) repeated.insert(repeated.end(), list.begin(), list.end());
  return repeated;
}

}  // namespace tavosu::testing

#endif  // TAVOSU_TESTS_CORE_LOADED_H_
