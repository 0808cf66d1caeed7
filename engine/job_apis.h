#pragma once
// Interim declarations of the pieces the job calls that live elsewhere.
#include <cstdint>
#include <cstdio>
#include <string>

std::string DataFileName(int kind, uint32_t profile);
std::string TextFileName(int kind, uint32_t profile);
std::string PrefixedTextFileName(int kind, uint32_t profile);
int UnpackCtdProfile(std::FILE* out, std::FILE* in, uint32_t fileBase, uint32_t index, bool write, std::FILE* log);
int UnpackAcmProfile(std::FILE* out, std::FILE* in, uint32_t fileBase, uint32_t index, bool write, std::FILE* log);
int UnpackDeployment(const char* inputPath, const char* outputPath);
int UnpackIrqLog(const char* inputPath, const char* outputPath);
void VerifyMetaData();
