// Running part of a test in a child process, as a user who may not write the machine-wide record.
#pragma once

#include <QString>

#include <functional>
#include <string>

// Runs body in a forked child and returns what it reported (by convention empty for success);
// an exception in the child is reported as "exception: <message>", a child that died as "child died".
QString InChild(const std::function<std::string()>& body);

// In a child: become a user without write rights on the record. Root drops to nobody; another user
// already has none on a folder made read-only by the test. Returns an error text, or empty.
std::string DropWriteRights();
