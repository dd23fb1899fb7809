// The hive file that holds HKEY_LOCAL_MACHINE where there is no Windows registry.
#pragma once

#include <string>

// The build's default path, until a test or tool points the store at a file of its own.
void SetHiveFilePath(const std::string& path);
const std::string& HiveFilePath();
