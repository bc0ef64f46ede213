#pragma once

#include <QString>

// The one place that names the program: splash, About box and every message box read it here.
namespace AppIdentity {

inline constexpr int Major = 1;
inline constexpr int Minor = 0;
inline constexpr int Revision = 1;

QString title();

// "Version " + major.minor.revision in plain decimals, never padded with zeros.
QString versionText(int major, int minor, int revision);
QString versionText();

} // namespace AppIdentity
