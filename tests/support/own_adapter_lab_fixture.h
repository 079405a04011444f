#pragma once

#include <memory>

#include "net/local_adapter_info.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/lab_packet_driver.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera::test {

// A lab test that sends from the own host's eth0 through the real libpcap driver, with the
// own adapter read as the program reads it.
class OwnAdapterLabFixture : public LabFixture {
  protected:
    void SetUp() override {
        LabFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        m_adpnum = Lab::AdapterIndexOf(m_driver, Lab::Get().Own());
        ASSERT_GE(m_adpnum, 0) << "the own host's eth0 is not in the adapter list";
        ASSERT_EQ(ReadLocalAdapter(m_driver, m_adpnum, m_log, m_local), 0);
    }
    void TearDown() override {
        m_driver.Release();
        LabFixture::TearDown();
    }

    std::unique_ptr<PacketDriver> m_driverOwner = test::LabPacketDriver();
    PacketDriver& m_driver = *m_driverOwner;
    RecordingErrorLog m_log;
    RecordingPrompt m_prompt;
    LocalAdapterInfo m_local;
    int m_adpnum = -1;
};

}  // namespace halvera::test
