// The COM and OLE automation headers together, as <ole2.h> gives them.
#pragma once

#include "objbase.h"
#include "oaidl.h"
#include "ocidl.h"
#include "oleauto.h"
