#pragma once
// The program's fixed texts, shown to the user exactly as written here.
#include <string_view>

namespace core::messages {

inline constexpr std::string_view DefaultTitle = "File Converter";
inline constexpr std::string_view DefaultSourceCaption = "&Source file:";
inline constexpr std::string_view DefaultTargetCaption = "&Target file:";
inline constexpr std::string_view DefaultVersionCaption = "Choose file &version to convert to:";
inline constexpr std::string_view NewFileSuffix = "_New";
inline constexpr std::string_view Idle = "idle";
inline constexpr std::string_view NoInformation = "No information available";
inline constexpr std::string_view FileNotFoundLabel = "File not found";
inline constexpr std::string_view FileInUseLabel = "File in use\rby another program";
inline constexpr std::string_view InvalidFile = "Invalid file\ror unsupported version";
inline constexpr std::string_view OverwriteExisting = "Overwrite existing file:";
inline constexpr std::string_view FileNotFound = "File not found:";
inline constexpr std::string_view CouldNotCreateDirectory = "Could not create directory:";
inline constexpr std::string_view CouldNotExecute = "Could not execute";
inline constexpr std::string_view CouldNotOpenFile = "Could not open file:";
inline constexpr std::string_view CouldNotReadFile = "Could not read from file:";
inline constexpr std::string_view CouldNotCopyToTemp = "Could not copy to temp file:";
inline constexpr std::string_view ReturnedExitCode = "returned exit code";
inline constexpr std::string_view ConversionFailed = "Conversion failed";
inline constexpr std::string_view Md5VerificationFailed = "md5 verification failed";
inline constexpr std::string_view ConversionSuccessful = "Conversion successful.";

inline constexpr std::string_view ReadingConfiguration = "Reading configuration...";
inline constexpr std::string_view CalculatingMd5 = "Calculating md5 checksum...";
inline constexpr std::string_view Converting = "Converting...";
inline constexpr std::string_view Verifying = "Verifying...";
inline constexpr std::string_view ShuttingDown = "Shutting down...";

}  // namespace core::messages
