#pragma once
// The result of a chip operation: its status code, and on success a value.
// The protocol returns it from every step; only the chip control turns it
// into the `Status` out parameter and the status texts.

#include <cstdint>
#include <optional>
#include <utility>

namespace vx {

// Status codes of the chip operations.
enum StatusCode : int32_t {
    kStatusOk = 1,
    kStatusNoCommunication = 2,
    kStatusOpenFailed = 3,
    kStatusCloseFailed = 4,
    kStatusNotHalted = 5,
    kStatusRunFailed = 6,
    kStatusWriteFailed = 7,
    kStatusVerifyFailed = 8,
    kStatusBadChecksum = 9,
};

template <typename T = void>
class [[nodiscard]] Result {
public:
    Result(T value) : m_status(kStatusOk), m_value(std::move(value)) {}
    static Result failed(StatusCode status) { return Result(status, std::nullopt); }

    bool ok() const { return m_status == kStatusOk; }
    StatusCode status() const { return m_status; }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }

private:
    Result(StatusCode status, std::nullopt_t) : m_status(status) {}
    StatusCode m_status;
    std::optional<T> m_value;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result(StatusCode status = kStatusOk) : m_status(status) {}
    static Result failed(StatusCode status) { return Result(status); }

    bool ok() const { return m_status == kStatusOk; }
    StatusCode status() const { return m_status; }
    // The same failure, for a step whose caller returns another kind of result.
    template <typename T>
    operator Result<T>() const {
        return Result<T>::failed(m_status);
    }

private:
    StatusCode m_status;
};

}  // namespace vx
