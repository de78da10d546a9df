#pragma once

// Every exception class of the XML layer, for callers that catch them.
#include "xml/DomError.h"
#include "xml/DomParseError.h"
#include "xml/DomServiceError.h"
#include "xml/ListIndexError.h"
#include "xml/XmlDocError.h"
#include "xml/XmlError.h"
