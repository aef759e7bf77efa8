#pragma once
// Failures print QStrings readably (GoogleTest finds PrintTo next to the type it prints),
// the one definition that every GUI test's fixtures share.

#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
