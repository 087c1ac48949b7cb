// The exported exception base, used from another library as modules that
// derive their exceptions from it do.
#include <gtest/gtest.h>

#include "zelvar/exception.h"

extern "C" {
CQvBaseException* MakeFixtureException(char* description);
CQvBaseException* MakeOtherFixtureException();
void ThrowFixtureException(char* description);
int FixtureExceptionsDestroyed();
}

namespace {

char g_description[] = "fixture failure";

TEST(ExceptionTest, CaughtAsTheBaseItGivesTheDerivedDescription) {
  for (char* description : {g_description, static_cast<char*>(nullptr)}) {
    try {
      ThrowFixtureException(description);
      ADD_FAILURE() << "nothing thrown";
    } catch (CQvBaseException& caught) {
      EXPECT_EQ(*caught, description);
      EXPECT_EQ(caught.GetDescription(), description);
    }
  }
}

TEST(ExceptionTest, AssignmentKeepsEachObjectsClass) {
  CQvBaseException* fixture = MakeFixtureException(g_description);
  CQvBaseException* other = MakeOtherFixtureException();
  char* other_description = **other;
  *fixture = *other;
  EXPECT_EQ(**fixture, g_description);
  *other = *fixture;
  EXPECT_EQ(**other, other_description);
  EXPECT_STREQ(**other, "other");
  delete fixture;
  delete other;
}

TEST(ExceptionTest, DeletingThroughTheBaseRunsTheDerivedDestructor) {
  const int before = FixtureExceptionsDestroyed();
  CQvBaseException* exception = MakeFixtureException(g_description);
  delete exception;
  EXPECT_EQ(FixtureExceptionsDestroyed(), before + 1);
}

}  // namespace
