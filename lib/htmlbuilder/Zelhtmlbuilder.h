// The HTML builder: include this one header for every element class.
#pragma once

#include "Zelhtmlbody.h"
#include "Zelhtmldoc.h"
#include "Zelhtmlelement.h"
#include "Zelhtmlescape.h"
#include "Zelhtmltable.h"
