#include "app/gui/QuenlixApplication.h"

#include <cxxabi.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

namespace quenlix {

std::string ReadableTypeName(const char* mangled)
{
    if (mangled == nullptr) return "Unknown";
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                           std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(mangled);
}

QuenlixApplication::QuenlixApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // Qt takes the user's locale for the C library too; our number texts are
    // formatted with "." as the decimal point whatever the user's language.
    std::setlocale(LC_NUMERIC, "C");
}

bool QuenlixApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        ReportFailure(ReadableTypeName(typeid(failure).name()), true, failure.what(), receiver);
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        ReportFailure(ReadableTypeName(type != nullptr ? type->name() : nullptr), false, {}, receiver);
    }
    return false;
}

void QuenlixApplication::ReportFailure(const std::string& className, bool hasMessage, const std::string& message,
                                       QObject* receiver)
{
    const auto address = reinterpret_cast<uintptr_t>(receiver);
    // A failure inside the report itself, or before it exists, can only be told on stderr.
    if (!failureHandler_ || reporting_) {
        std::fprintf(stderr, "Quenlix: %s: %s\n", className.c_str(), message.c_str());
        return;
    }
    reporting_ = true;
    failureHandler_(className, hasMessage, message, address);
    reporting_ = false;
}

}  // namespace quenlix
