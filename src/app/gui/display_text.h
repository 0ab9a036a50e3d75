// Texts between the program (CP932 byte strings) and Qt's widgets (UTF-16).
// Every caption, label and message of the window starts as the same CP932
// literal the command line prints, and is converted only here.
#pragma once

#include <QString>
#include <string>

#include "platform/encoding.h"
#include "platform/paths.h"

namespace kv::gui {

// A CP932 text for a widget.
inline QString Display(const std::string& cp932) { return QString::fromStdString(ToUtf8(cp932)); }

// A folder or a name typed, picked or dropped into an edit, as the internal
// text the commands take: converted exactly like an argument of the command
// line (kept as its bytes when it has no CP932 form).
inline std::string FromWidget(const QString& text) { return FromDiskName(text.toStdString()); }

}  // namespace kv::gui
