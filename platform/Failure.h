#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

class DialogHost;

// Thrown by a handler's step that cannot be carried out. The handler ends at
// that step; what the earlier steps did stays done.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// Runs one event handler. A failure is shown to the user in a message box,
// never swallowed and never allowed to unwind into the event loop.
void runHandler(DialogHost &dialogs, const std::function<void()> &handler);

// Runs one step of a handler whose failing steps are skipped without a word
// and the next one run.
void skipOnFailure(const std::function<void()> &step);
