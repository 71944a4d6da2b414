#include "platform/Failure.h"

#include "common/AppIdentity.h"
#include "platform/DialogHost.h"

#include <new>

Failure::Failure(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{ }

void skipOnFailure(const std::function<void()> &step)
{
    try {
        step();
    } catch (const std::exception &) {
    }
}

void runHandler(DialogHost &dialogs, const std::function<void()> &handler)
{
    QString message;
    try {
        handler();
        return;
    } catch (const Failure &failure) {
        message = failure.message();
    } catch (const std::bad_alloc &) {
        message = QStringLiteral("There is not enough memory to finish this command.");
    } catch (const std::exception &e) {
        message = QStringLiteral("The command could not be finished: %1").arg(QString::fromLocal8Bit(e.what()));
    }
    dialogs.messageBox(message, AppIdentity::kTitle);
}
