// The texts the program shows and logs, in one place so that every frame and
// test uses the same words.
#ifndef SALVORAN_RECOVERY_MESSAGES_H_
#define SALVORAN_RECOVERY_MESSAGES_H_

namespace salvoran {

// File settings and the Open command.
inline constexpr const char* kMsgSelectValidFile = "Please select valid database file.";
inline constexpr const char* kMsgFileUsedByOther = "The database file is used by other process.";
inline constexpr const char* kMsgFormatNotSupported = "File Format not supported, please select file again";
inline constexpr const char* kMsgContentNotInForm = "The Database content is not in its appropriate form";
inline constexpr const char* kMsgVersionNotDetected =
    "Version cannot be detected.Please select the version to continue";
inline constexpr const char* kMsgWaitForRunning = "Please wait for the running process.";
inline constexpr const char* kMsgFileLocked = "The Database file used in another prog";
inline constexpr const char* kCaptionFileLocked = "File_LOCKED";
inline constexpr const char* kMsgCannotOpen = "There is an error to open Database file";
inline constexpr const char* kCaptionCannotParse = "Can't be parsed";
inline constexpr const char* kLogFileSelected = " File is selected for recovery....";
inline constexpr const char* kLogFileParsing = " File is Parsing ";
inline constexpr const char* kMsgScanCompleted =
    "Scanning process for selected file has been completed successfully.";
inline constexpr const char* kMsgScanEndedWithErrors =
    "Scanning process for selected file has ended with errors. The objects found so far are listed.";

// The SQLite 3 scan.
inline constexpr const char* kMsgPageSizeInvalid = "The Database page_size is invalid";
inline constexpr const char* kCaptionPageSizeError = "File_Page_Size_Error";
inline constexpr const char* kCaptionCorrupted = "File_Corrupted";
inline constexpr const char* kMsgPageError = "Error in page size or in file";
inline constexpr const char* kLogReadingPageHeader8 = "File page_header is reading";
inline constexpr const char* kLogReadingPageHeader16 = "Reading File page header ";
inline constexpr const char* kLogSearchingDdl = "Searching File DDL ";
inline constexpr const char* kMsgWrongFile = "you choose the wrong file please choose again";
inline constexpr const char* kCaptionFormatNotSupported = "File_Format_Not_Supported";
inline constexpr const char* kMsgEndianCorrupted = "Endian descriptor is corrupted or file is corrupted";
inline constexpr const char* kMsgFileCorrupted = "File is corrupted";
inline constexpr const char* kMsgErrorInReading = "Error in reading";
inline constexpr const char* kMsgCellContentCorruption = "Corruption in file Cell content area";

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_MESSAGES_H_
