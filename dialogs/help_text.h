#pragma once

#include <QString>

// The help page's text: the compiled-in UTF-16LE resource after its byte-order mark, up to the
// resource's end, with its CR LF line ends as line feeds. Empty when the resource is missing.
QString HelpText();
