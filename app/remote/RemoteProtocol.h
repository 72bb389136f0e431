#pragma once

#include <QByteArray>

// The text forms of the remote-control line protocol, kept apart from the
// server so they can be checked against independent implementations.
namespace RemoteProtocol {

// Longest line a client may send; a longer one closes its connection.
constexpr int maxLineLength = 64 * 1024;

// Every byte except letters, digits, "-", ".", "_" and "~" as "%" and two
// upper-case hexadecimal digits.
QByteArray percentEncode(const QByteArray& bytes);
// Each "%" followed by two hexadecimal digits stands for one byte; every other
// byte, a lone "%" included, stands for itself.
QByteArray percentDecode(const QByteArray& word);
// A value as printf's "%g" writes it in the C locale ("nan", "inf", "-inf").
QByteArray formatValue(double value);
// C-locale floating-point text, surrounding white space ignored.
bool parseNumber(const QByteArray& word, double* value);
// A decimal integer.
bool parseIndex(const QByteArray& word, int* index);
// The SHA-256 digest of the password's UTF-8 bytes, sent either as its 32 raw
// bytes or as 64 hexadecimal digits (either case).
bool digestMatches(const QByteArray& word, const QByteArray& digest);

} // namespace RemoteProtocol
