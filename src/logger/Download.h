#pragma once
// Reading the logger memory from the meter in 32-byte blocks: the opening block selection
// that tells the fill pointer, a first pass with one repeat per failed block, and a
// resumption stage that starts again at the first missing block until five attempts in a
// row have brought nothing.
#include "MemoryImage.h"

#include <QString>

namespace qx {

class MeterSession;

// Results of the download; 0 is success.
enum DownloadCode : int {
    kDownloadOk = 0,
    kDownloadOpenFailed = 1002,     // openDevice
    kDownloadTimeoutsFailed = 1003, // setTimeouts
    kDownloadSelectWriteFailed = 1004,
    kDownloadSelectNoReply = 1005,
    kDownloadSelectBadMarks = 1006, // reply bytes 34, 35 not 04 05
    kDownloadWriteFailed = 123,     // a 'p' or 'r' write in the first pass; always replaced by resumption
    kDownloadEndFailed = 125,       // the 'q' after the last block
    kResumeSelectFailed = 1260,     // the attempt's second block selection
    kResumeWriteFailed = 1261,      // a 'p' write
    kResumeReadFailed = 1263,       // a block read
};

inline constexpr int kDownloadTimeoutMs = 100;
inline constexpr int kOpeningReplyWaitMs = 100;
inline constexpr int kRepeatPauseMs = 1000;
inline constexpr int kResumePauseMs = 300;
inline constexpr int kMaxResumeFailures = 5;
// A block whose 'p' keeps failing while its 'r' keeps answering would otherwise be
// repeated for ever; after this many repeats the first pass hands over to resumption.
inline constexpr int kMaxRepeatsPerBlock = 5;

// What the progress window and the cursor are told. All calls come from the download,
// on the user-interface thread.
class DownloadObserver {
public:
    virtual ~DownloadObserver() = default;
    // Hourglass during the opening exchange.
    virtual void setBusyCursor(bool busy) { Q_UNUSED(busy); }
    // The target length is known: show the progress window (range 0 to targetLength, "0" received).
    virtual void started(int targetLength) { Q_UNUSED(targetLength); }
    // One more block is stored; `received` bytes so far.
    virtual void progress(int received) { Q_UNUSED(received); }
    // The download is over (only after started): close the progress window.
    virtual void finished() {}
};

// Bytes to download for a reported length (fill pointer + 1): 131072 when it is above
// that or below 256, rounded up to whole blocks.
int downloadTargetLength(int reportedLength);

// Fills `image` (emptied first) from the meter. Returns 0 or a DownloadCode. On failure
// `image` holds what arrived; the caller drops it.
int downloadMemory(MeterSession &session, MemoryImage &image, DownloadObserver *observer = nullptr);

// Texts of the progress window in its download form.
inline QString downloadProgressCaption() { return QStringLiteral("Récupération des données en cours"); }
inline QString downloadReceivedText() { return QStringLiteral("octet reçus"); }
inline QString downloadTotalText() { return QStringLiteral("Octets totaux "); }

} // namespace qx
