#pragma once

#include <QString>

// The one place that names the program: splash, About box and every message box read it here.
namespace AppIdentity {

// The project's version, from CMakeLists.txt.
inline constexpr int Major = VORLET_VERSION_MAJOR;
inline constexpr int Minor = VORLET_VERSION_MINOR;
inline constexpr int Revision = VORLET_VERSION_PATCH;

QString title();

// "Version " + major.minor.revision in plain decimals, never padded with zeros.
QString versionText(int major, int minor, int revision);
QString versionText();
// major.minor.revision, as --version prints it after the program's name.
QString version();

} // namespace AppIdentity
