#pragma once
// System error numbers (errno) told in Japanese. Every message that passes a failure of the
// operating system on to the user takes its reason from here, so that no English text of the C
// library ("No space left on device", "Unknown error") ever appears inside a Japanese message.

#include <QString>

class QFileDevice;

namespace mz::data {

// Why a file operation failed, as a short Japanese phrase without a full stop
// ("ディスクの空き容量が足りません"). Numbers without a sentence of their own get a general one
// that carries the number; 0 (a failure the system gave no reason for) gets one too.
QString systemErrorText(int code);

// "<what>（<reason>）": a failed step that names its file, followed by the system's reason in
// full-width parentheses, e.g. "ファイル 'Indata.DBT' に書き込めません（ディスクの空き容量が足りません）".
QString systemErrorMessage(const QString& what, int code);

// The same for a failed operation of a QFile, whose own error text is English. `savedErrno` is
// errno taken right after the failure; it is trusted only when the failure came from the
// system (QFile then reports exactly that number), otherwise the reason is told from the kind
// of failure QFile recorded (a seek on a device, a read that came up short).
QString fileErrorMessage(const QString& what, const QFileDevice& file, int savedErrno);

}  // namespace mz::data
