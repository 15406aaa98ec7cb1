#pragma once

#include <QString>

#include <optional>
#include <utility>

// How an operation of the program says it failed: it gives its value, or the
// reason in the host's words (Russian, naming the file and the cause), never
// both. errno stays below this, inside the wrappers of system calls.
template <typename T> struct Outcome
{
    std::optional<T> value;
    QString error; // empty when there is a value

    Outcome() = default;
    Outcome(T v) : value(std::move(v)) {}
    static Outcome failure(QString why)
    {
        Outcome o;
        o.error = std::move(why);
        return o;
    }
    explicit operator bool() const { return value.has_value(); }
};

// An operation with nothing to give back but whether it was done.
template <> struct Outcome<void>
{
    QString error; // empty when done

    Outcome() = default;
    static Outcome failure(QString why)
    {
        Outcome o;
        o.error = std::move(why);
        return o;
    }
    explicit operator bool() const { return error.isEmpty(); }
};
using Done = Outcome<void>;
