// The interface identifiers of the disk-cleanup interfaces (uuid.lib on Windows).
#define INITGUID
#include "emptyvc.h"
