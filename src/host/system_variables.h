#pragma once
// System variables of the embedded host under the names CAD users know. Where
// DXF has a place for a variable it lives in the drawing's header ($PDMODE,
// $PDSIZE, $OSMODE, $CLAYER and any other $-variable the drawing carries), so it
// is saved with the drawing and undone with it; the view's variables come from the
// document's view; the rest are settings of the session. Names are compared
// without regard to case. The command line and the automation interface both use
// these functions.
#include <string>
#include <vector>

#include "host/host.h"

namespace korvane::host {

class EmbeddedHost;
class HostDocument;

// The variable's value (integers as long long, reals as double, points, texts);
// std::monostate when there is no variable of that name.
Value get_system_variable(HostDocument& doc, const EmbeddedHost& host, const std::string& name);

// Sets a variable. Numbers may be given as integers, reals or text ("34"); points as
// points or "x,y" text. Returns false, changing nothing, for an unknown or read-only
// variable or a value the variable does not take (pdmode 7, a CLAYER naming no layer).
bool set_system_variable(HostDocument& doc, const std::string& name, const Value& value);

// True when `name` is a variable of this drawing (a known one or any header variable).
bool is_system_variable(const HostDocument& doc, const std::string& name);
// True for variables only the host changes (VIEWCTR, VIEWSIZE, SCREENSIZE, DWGNAME, ...).
bool is_read_only_system_variable(const std::string& name);

// Names of the variables with a fixed meaning (for help and completion).
std::vector<std::string> known_system_variables();

// The value as the command line shows it: "34", "0.5", "1000,2000", "独有宗地".
std::string format_value(const Value& value);

}  // namespace korvane::host
