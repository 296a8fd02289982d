#pragma once

#include "store/contact_record.h"
#include "store/file_system.h"
#include "sync/carddav/carddav_client.h"
#include "sync/reconcile/reconcile.h"
#include "sync/run/sync_report.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One two-way sync of the address book in the working directory with its CardDAV address
// book: the file steps under the folder's lock, the network waits on the event loop without
// it, so a window may SAVE, EDIT or DELETE meanwhile and loses nothing.
namespace syncing {

class SyncRun : public QObject {
    Q_OBJECT
public:
    SyncRun(store::FileSystem& fs, carddav::Credentials credentials, QObject* parent = nullptr);
    ~SyncRun() override;

    // Runs the sync and calls `done` once, on the event loop.
    void start(std::function<void(SyncReport)> done);

    // No progress of the server for this long ends a request (30 s unless set).
    void setTimeout(int milliseconds);
    // A request sent whole waits this long for its answer to begin (10 min unless set).
    void setAnswerWait(int milliseconds);
    // How long the sync waits in all when the server asks it to wait (5 min unless set).
    void setMostWaiting(int milliseconds);
    // Called on the event loop with one line when the server asked to wait or is still working
    // on an answer.
    void setWaitNotice(std::function<void(const std::string&)> notice);

    // How a new card gets its UID; random unless a test sets it.
    void setUidSource(UidSource source);

    // Called on the event loop as cards come in and go out: how many of this step's cards are
    // done, and how many the step has.
    void setProgress(std::function<void(std::size_t done, std::size_t total)> progress);
    // Called once the contacts here were written, before the sync goes on with the server: a
    // window finds its contacts again from that moment on.
    void setRecordsWritten(std::function<void()> written);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace syncing
