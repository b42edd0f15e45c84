#include "platform/errorreport.h"

#include "data/types.h"
#include "platform/platform.h"
#include "platform/recorder.h"

#include <exception>

using namespace Qt::StringLiterals;

namespace mz::platform {

QString errorDisplayText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.') return message + u'.';
    return message;
}

void reportError(const QString& message) {
    errorBox(nullptr, applicationTitle(), errorDisplayText(message));
}

void reportCurrentException() {
    try {
        throw;
    } catch (const TestFailure&) {
        throw;
    } catch (const mz::data::EngineError& e) {
        reportError(e.message());
    } catch (const IoError& e) {
        reportError(e.message());
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(u"予期しないエラーが発生しました"_s);
    }
}

}  // namespace mz::platform
