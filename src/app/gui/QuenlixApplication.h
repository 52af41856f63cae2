#pragma once
// The application object: delivers every event, and hands any failure that
// escapes an event handler to the error report instead of letting it end the
// program.

#include <QApplication>
#include <functional>
#include <string>

namespace quenlix {

class QuenlixApplication : public QApplication {
    Q_OBJECT
public:
    QuenlixApplication(int& argc, char** argv);

    // The error report: class name, whether it is a standard exception with a
    // message, the message, and where it happened.
    using FailureHandler = std::function<void(const std::string&, bool, const std::string&, uintptr_t)>;
    void SetFailureHandler(FailureHandler handler) { failureHandler_ = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void ReportFailure(const std::string& className, bool hasMessage, const std::string& message, QObject* receiver);

    FailureHandler failureHandler_;
    bool reporting_ = false;
};

// A readable class name from a compiler type name ("St13runtime_error" reads
// "std::runtime_error").
std::string ReadableTypeName(const char* mangled);

}  // namespace quenlix
