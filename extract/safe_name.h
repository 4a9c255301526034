// The one decision about which entry names may be written below the extract path.
#pragma once

#include <string>

// True when writing the name below the extract path could land anywhere but where the name
// shows: an absolute name, a drive, stream or device, a "." or ".." component, a component
// that Windows would alter (trailing dot or space), a character a Windows name cannot hold, or
// bytes that are no character (the name is UTF-8 text, as the walk decoded it).
bool IsUnsafeName(const std::string& name);
