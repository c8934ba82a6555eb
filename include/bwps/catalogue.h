/* bwps/catalogue.h: the data-file catalogue (file number 1-100 to name,
 * folder, record length and page size), the session's folders, lists of open
 * files, the key-definition file and the creation of data files from it.
 *
 * Names, paths and folders come back in static buffers that the next call of
 * the same function overwrites: copy them at once.
 */
#ifndef BWPS_CATALOGUE_H
#define BWPS_CATALOGUE_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    DATA_FILE_COUNT = 100,          /* file numbers 1 .. 100 */
    FILE_LIST_SLOTS = 30,           /* handles of one open list */
    FOLDER_BUFFER_SIZE = 260,       /* every folder and path buffer */
    KEY_FILE_NUMBER = 88,           /* BPOSKEY.DB, base folder */
    GENERAL_FILE_NUMBER = 31,       /* BPOSGNRL.DB, the store's own */
    ACCOUNTING_GENERAL_FILE_NUMBER = 15,
    COMPANY_ID_FILE_NUMBER = 85,    /* BPOSCID.DB, base folder */
    SEGMENT_BUFFER_SIZE = 1536,     /* 96 segment specifications of 16 bytes */
    FILE_SPEC_SIZE = 16,
    KEY_SEGMENT_SIZE = 16,
    OPEN_OPERATION = -100           /* operation reported for a failed open */
};

/* Folder kinds of the catalogue. */
enum {
    FOLDER_BASE = 0,            /* company-independent files */
    FOLDER_DATA = 1,            /* the company's data files */
    FOLDER_SHARED = 2,          /* accounting company when interfaced, else data */
    FOLDER_ACCOUNTING = 3,      /* accounting company always */
    FOLDER_QUERY = 4,           /* data-files folder: query and report definitions */
    FOLDER_DICTIONARY = 5
};

/* One entry of the catalogue (in memory only). */
typedef struct DataFileEntry {
    int8_t Kind;                /* folder kind 0-5 */
    const char* Name;           /* null for entry 0 */
    int32_t RecordLength;       /* 0: not a record-manager file; -1: entry 0 */
    int32_t PageSize;
} DataFileEntry;

/* The entry of a file number; entry 0 {0, null, -1, 0} outside 1-100. */
BWPS_EXPORT const DataFileEntry* GetDataFileEntry(int fileNumber);

/* ---- Folders ---- */
/* Sets the folders: a null program folder leaves it as it is; a null data
 * folder gives program + "/POSFILES"; a null base folder program +
 * "/RAZAVUR". The dictionary folder comes from the session block. 0. */
BWPS_EXPORT int SetFolders(const char* program, const char* files, const char* base);
/* The folder, re-terminated at its kept length. */
BWPS_EXPORT char* GetProgramPath(void);
BWPS_EXPORT char* GetFilesPath(void);
BWPS_EXPORT char* GetBasePath(void);
BWPS_EXPORT char* GetDictionaryPath(void);
/* The data-files folder as stored, without re-termination. */
BWPS_EXPORT char* GetFilesPathBuffer(void);
/* The base path field of the session block. */
BWPS_EXPORT char* GetBaseFolderField(void);

/* ---- Typed folders ---- */
/* Longest company folder the session's folder fields hold. */
enum { COMPANY_FOLDER_MAX = 143 };
/* What is wrong with a typed folder, if anything. */
enum {
    FOLDER_TEXT_OK = 0,
    FOLDER_TEXT_EMPTY = 1,     /* nothing typed */
    FOLDER_TEXT_CONTROL = 2,   /* holds a control character */
    FOLDER_TEXT_RELATIVE = 3,  /* not absolute after "~" is resolved */
    FOLDER_TEXT_ROOT = 4,      /* the root folder itself */
    FOLDER_TEXT_TOO_LONG = 5,  /* longer than COMPANY_FOLDER_MAX */
    FOLDER_TEXT_PROGRAM = 6    /* the program folder or a folder inside it */
};
/* Resolves "~" (the home folder) and "." and ".." of a typed folder and
 * checks the result (above). FOLDER_TEXT_OK with the absolute folder
 * (no trailing "/") in `normalised`, else the problem. */
BWPS_EXPORT int CheckFolderTextProblem(const char* folder, char* normalised, int size);
/* The same for a folder typed on a screen: the text is replaced in place by
 * the absolute folder (the buffer holds FOLDER_BUFFER_SIZE bytes) and 1 is
 * the answer; otherwise message 195 (empty), 355 (the program folder or
 * inside it) or 325 (any other problem) is shown and the answer is 0. */
BWPS_EXPORT int CheckFolderText(char* folder);

/* ---- Names and paths ---- */
/* Folder of the entry's kind + GetDataFileName; null outside 1-100. */
BWPS_EXPORT char* GetDataFilePath(int fileNumber);
/* The name the session uses: kind 3, and kind 2 when interfaced, give the
 * accounting name; null outside 1-100. */
BWPS_EXPORT const char* GetDataFileName(int fileNumber);
/* Copies the catalogue name; the buffer, or null outside 1-100. */
BWPS_EXPORT char* CopyDataFileName(int fileNumber, char* buffer);
/* The kind, or -1 outside 1-100. */
BWPS_EXPORT int GetDataFileKind(int fileNumber);
/* The record length, -1 outside 1-100. */
BWPS_EXPORT int32_t GetDataFileRecordLength(int fileNumber);
BWPS_EXPORT int32_t GetDataFilePageSize(int fileNumber);
/* The folder of the entry's kind into the buffer (empty outside 1-100); 0. */
BWPS_EXPORT int GetDataFileFolder(int fileNumber, char* buffer);
/* The folder of a kind (empty for an unknown kind), trimmed and ending in
 * one separator; the buffer. */
BWPS_EXPORT char* GetFolderOfKind(int kind, char* buffer);
/* folder (normalised) + name into the buffer; the buffer. */
BWPS_EXPORT char* JoinCompanyFilePath(char* buffer, const char* folder, const char* name);
/* Folder of the file + "IMAGES" + separator; the buffer. */
BWPS_EXPORT char* GetImagesPath(int fileNumber, char* buffer);
BWPS_EXPORT int IsCompanyDataFile(int fileNumber);
BWPS_EXPORT int IsDictionaryFile(int fileNumber);
/* "BWA" + the name without its first four characters; a name that already
 * begins with "BWA" is kept. Static buffer. */
BWPS_EXPORT const char* MapToAccountingFileName(const char* name);
BWPS_EXPORT const char* AccountingFileNameOfId(int fileNumber);
BWPS_EXPORT const char* GetAccountingDataFileName(int fileNumber);
BWPS_EXPORT const char* AccountingNameOfSessionFile(int fileNumber);
/* Names and paths of older releases ("POS5", "POS1" or "BA43" over the
 * first four characters). */
BWPS_EXPORT const char* GetRelease5FileName(int fileNumber);
BWPS_EXPORT const char* GetRelease1FileName(int fileNumber);
BWPS_EXPORT const char* GetRelease5FilePath(int fileNumber);
BWPS_EXPORT const char* GetRelease1FilePath(int fileNumber);
/* The conversion table of bwpos-1: index -1 is BWPSMMCS.DB (kind 1, 809
 * bytes); any other index gives an empty text. The buffer. */
BWPS_EXPORT char* GetConversionFileName(int index, char* buffer);
BWPS_EXPORT char* GetConversionFilePath(int index, char* buffer);
BWPS_EXPORT int32_t GetConversionFileRecordLength(int index);
/* The person file of release 6 ("POS1PERS.DB") or 7 ("POS5PERS.dB") in the
 * data-files folder (index 0 only); empty otherwise. The buffer. */
BWPS_EXPORT char* GetOlderPersonFilePath(int index, int release, char* buffer);

/* True when the file exists in the folder (its own when null) under its
 * session name; ...Plain: under its catalogue name. */
BWPS_EXPORT int DataFileExists(int fileNumber, int unused, const char* folder);
BWPS_EXPORT int DataFileExistsPlain(int fileNumber, int unused, const char* folder);
BWPS_EXPORT int CompanyIdFileExists(void);

/* ---- File lists ---- */
/* Opens files into the 30 handle slots of `list`: one 32-bit word per file
 * (low byte: file number; second byte x 256: open mode), ended by 0. At
 * most 30 files are opened. 0, or the first failing status: it is reported
 * and the whole list is closed. */
BWPS_EXPORT int OpenFileList(uint16_t* list, ...);
/* The same with the words in an array (ended by 0 or after 30). */
BWPS_EXPORT int OpenFileListArray(uint16_t* list, const int32_t* words);
/* Closes every non-zero slot and clears it; 0. */
BWPS_EXPORT int CloseFileList(uint16_t* list);

/* ---- Key definitions and creation ---- */
/* Reads the segment specifications of a file name from the key-definition
 * file (its own handle when keyHandle is 0): *count := number of segments,
 * segments (16 bytes each) into the buffer. 0, or a status (9: no entry). */
BWPS_EXPORT int ReadFileKeySpecs(const char* name, uint16_t keyHandle, int* count,
                                 void* segments);
/* Creates (replacing) the data file from its key definitions, under its
 * catalogue name (CreateSessionDataFile: its session name), in the folder
 * (null: base folder for kind 0, data-files folder otherwise), with the
 * extension in place of the name's when given. -1 outside 1-100, 0 for an
 * entry without a name; otherwise the record-manager status. */
BWPS_EXPORT int CreateDataFile(int fileNumber, uint16_t keyHandle, const char* folder,
                               const char* extension, void* fileSpec);
BWPS_EXPORT int CreateSessionDataFile(int fileNumber, uint16_t keyHandle, const char* folder,
                                      const char* extension, void* fileSpec);
/* Creates every file of kinds 1 and 2 in the folder, replacing existing
 * ones: for a new company folder only. The last status. */
BWPS_EXPORT int CreateMissingDataFiles(const char* folder);
/* Creates BPOSITMD.DB (file 62) when missing; 1 or 0. */
BWPS_EXPORT int CheckNewFiles90(void);
/* Creates files 45, 48, 46, 47 and 62 when missing; 1, or 0 at a failure. */
BWPS_EXPORT int EnsureLaterReleaseFiles(void);
/* Widens BPOSINHD.DB (file 36) from 531-byte to 586-byte records; 1 or 0. */
BWPS_EXPORT int ConvertSalesHeaderFile(void);
/* Non-zero when the product file of the session opens and its records are
 * shorter than the current 668 bytes (a layout of an older release). */
BWPS_EXPORT int QueryProductFile(int unused);
/* True when the product file's records are not 668 bytes (or unreadable). */
BWPS_EXPORT int ProductFileNeedsConversion(uint16_t handle);

/* ---- Small helpers ---- */
BWPS_EXPORT char* GetDefaultRegisterPrefix(char* buffer);   /* "REG" */
/* The 16-byte name entry index + 1 of the table, trimmed, + ".FMT". 0. */
BWPS_EXPORT int GetFormatFileName(int index, char* buffer, const char* table);
/* The base folder + that name. 0. */
BWPS_EXPORT int GetFormatFilePath(int index, char* buffer, const char* table);

/* Folder helpers: trims trailing blanks and ends a non-empty folder with
 * exactly one '/'; the buffer. */
BWPS_EXPORT char* NormaliseFolder(char* folder);
BWPS_EXPORT int FileExistsAt(const char* path);
/* The folder above a folder, ending in one '/' (empty when there is none);
 * the buffer. */
BWPS_EXPORT char* ParentFolder(char* buffer, const char* folder);

#ifdef __cplusplus
}
#endif

#endif
