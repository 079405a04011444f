#include "cli/search_progress_reporter.h"

#include "base/text_codec.h"
#include "cli/search_progress_text.h"

namespace halvera {

SearchProgressReporter::SearchProgressReporter(Console& console, const RunProgress& progress,
                                               ProgressForm form)
    : m_console(console), m_progress(progress), m_form(form) {}

void SearchProgressReporter::ShowPreparing(std::string_view textCp932) {
    if (m_form == ProgressForm::Terminal) {
        m_console.ShowStatus(Cp932ToUtf8Lossy(textCp932));
    } else if (m_form == ProgressForm::Lines) {
        m_console.OutCp932(textCp932);
    }
}

void SearchProgressReporter::Begin() {
    m_started = std::chrono::steady_clock::now();
    m_tenthsShown = 0;
}

void SearchProgressReporter::Update() {
    const std::uint64_t total = m_progress.total;
    if (total == 0) {
        return;
    }
    if (m_form == ProgressForm::Terminal) {
        m_console.ShowStatus(Text());
    } else if (m_form == ProgressForm::Lines) {
        const std::uint64_t tenths = m_progress.done * 10 / total;
        if (tenths > m_tenthsShown) {
            m_tenthsShown = tenths;
            m_console.Out(Text());
        }
    }
}

void SearchProgressReporter::End() {
    if (m_form == ProgressForm::Terminal) {
        // The last figures stay on the screen as a line of their own.
        m_console.ClearStatus();
        if (m_progress.total != 0) {
            m_console.Out(Text());
        }
        return;
    }
    Update();
}

std::string SearchProgressReporter::Text() const {
    return SearchProgressText(m_progress.done, m_progress.total, m_progress.found,
                              std::chrono::steady_clock::now() - m_started);
}

}  // namespace halvera
