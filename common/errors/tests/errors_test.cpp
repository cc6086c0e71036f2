#include "common/errors/errors.h"

#include <gtest/gtest.h>

#include <stdexcept>

using lumo::RuntimeError;
using lumo::skipOnError;

TEST(SkipOnError, RunsTheStatementAndSwallowsAnyErrorItRaises) {
  int ran = 0;
  EXPECT_TRUE(skipOnError([&] { ++ran; }));
  EXPECT_FALSE(skipOnError([&] {
    ++ran;
    throw RuntimeError(lumo::err::Overflow);
  }));
  EXPECT_FALSE(skipOnError([] { throw std::out_of_range("index"); }));
  // Not even an exception of no standard type ends the program.
  EXPECT_FALSE(skipOnError([] { throw 42; }));
  EXPECT_EQ(ran, 2);
}
