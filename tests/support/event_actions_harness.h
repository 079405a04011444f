#pragma once

#include "events/event_actions.h"
#include "lists/list_tables.h"
#include "events/placeholders.h"
#include "lists/list_table.h"
#include "store/event_settings_store.h"
#include "store/log_store.h"
#include "store/mail_queue.h"
#include "store/range_store.h"
#include "store/settings_store.h"
#include "support/recording_desktop_actions.h"
#include "support/recording_error_log.h"
#include "support/recording_mail_sender.h"
#include "support/recording_popup.h"
#include "support/recording_prompt.h"

namespace halvera::test {

// The event actions over real stores in the current program folder (a TempProgramFolder
// made before this object), with the popup, the mail sender and the desktop recorded.
struct EventActionsHarness {
    RecordingPrompt prompt;
    RecordingErrorLog errorLog;
    SettingsStore settings;
    EventSettingsStore eventSettings{prompt, errorLog};
    RangeStore actionRanges{RangeList::Action, prompt, errorLog};
    ListTable eventLogList{EVENT_LOG_COLUMNS};
    ListTable errorLogList{ERROR_LOG_COLUMNS};
    LogStore logs{eventLogList, errorLogList, prompt, settings};
    ListTable eventList{EVENT_LIST_COLUMNS};
    MailQueue mailQueue{prompt, errorLog, ExpandPlaceholders};
    RecordingMailSender mailSender{mailQueue};
    RecordingPopup popup;
    RecordingDesktopActions desktop;
    EventActions actions{{settings, eventSettings, actionRanges, logs, eventList, mailQueue,
                          mailSender, popup, desktop}};

    template <class Change>
    void ChangeApp(Change change) {
        AppSettings app = settings.App();
        change(app);
        settings.SetApp(app);
    }
};

}  // namespace halvera::test
