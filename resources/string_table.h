#pragma once

#include <QString>

// The string of the string table with this id; empty for an id the table does not hold.
QString LoadResourceString(int id);
