// SHA-256 for comparing object bytes with the hashes recorded by the independent reader.
#pragma once

#include <stddef.h>
#include <string>

std::string Sha256Hex(const void* data, size_t length);
