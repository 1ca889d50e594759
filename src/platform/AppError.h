#pragma once

#include <QString>

#include <exception>
#include <string>

// A failure travelling up to the procedure that traps it. The number is the
// classic runtime error number the program's messages are keyed on; the
// description is the Japanese text shown to the user.
class AppError : public std::exception
{
public:
    explicit AppError(int number);
    AppError(int number, QString description);

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

    // The standard description of a runtime error number; a generic text for
    // numbers that have none.
    static QString standardDescription(int number);

    // The failure being handled, called inside a catch block: the program's
    // own error as it is, an allocation failure as 7 (out of memory), any
    // other failure as the generic 51 with what it says of itself.
    static AppError fromCurrentException();

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

// The error numbers the program raises and reacts to.
namespace ErrNo {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int OutOfStack = 28;
inline constexpr int InternalError = 51;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIoError = 57;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int InvalidPicture = 481;
} // namespace ErrNo
