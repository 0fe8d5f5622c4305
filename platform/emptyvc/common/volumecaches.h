// The key under HKEY_LOCAL_MACHINE that lists the disk-cleanup handlers: one
// subkey per handler, named after it, whose default value is the handler's
// class. The system's headers do not name it. A macro rather than a C++
// constant, so that a resource script can name it too.
#pragma once

#define VOLUMECACHES_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches\\"
