#pragma once

class QWidget;

namespace testing {

// Deletes every window the test left open (windows that delete themselves on closing included),
// so the next test starts without any.
void deleteAllWindows();

// Runs the deletions Qt has queued (windows closed with WA_DeleteOnClose).
void runDeferredDeletes();

// Makes a shown window the active one, so that focus changes inside it are delivered.
bool activate(QWidget& window);

} // namespace testing
