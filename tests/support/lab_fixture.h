#pragma once

#include <gtest/gtest.h>

#include "support/lab.h"

namespace halvera::test {

// A test that runs in the lab's own host: skipped with the reason when the lab cannot exist
// here, failed when it did not build or its namespace cannot be entered (nothing is sent
// then).
class LabFixture : public testing::Test {
  protected:
    void SetUp() override {
        Lab& lab = Lab::Get();
        if (!lab.SkipReason().empty()) {
            GTEST_SKIP() << lab.SkipReason();
        }
        ASSERT_EQ(lab.Failure(), "");
        ASSERT_TRUE(lab.EnterOwnHost()) << "could not enter the own host's namespace";
        m_entered = true;
    }
    void TearDown() override {
        if (m_entered) {
            Lab::Get().LeaveOwnHost();
        }
    }

  private:
    bool m_entered = false;
};

}  // namespace halvera::test
