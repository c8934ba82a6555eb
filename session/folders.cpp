// The session's folders (program, data files, base, dictionary) and the
// helpers that build paths from them.

#include "bwps/catalogue.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/testing.h"
#include "session/catalogue_internal.h"

using bwps::catalogue::Concat;

namespace {

// Each folder is kept with its length; the getters re-terminate at it.
struct Folder {
    char text[FOLDER_BUFFER_SIZE];
    size_t length;
};

Folder gProgram;
Folder gFiles;
Folder gBase;
Folder gDictionary;

void SetFolder(Folder& folder, const char* text)
{
    std::snprintf(folder.text, sizeof folder.text, "%s", text ? text : "");
}

void KeepLength(Folder& folder)
{
    folder.length = std::strlen(folder.text);
}

char* Terminated(Folder& folder)
{
    if (folder.length < sizeof folder.text)
        folder.text[folder.length] = '\0';
    return folder.text;
}

// Joins a folder and a sub-name with one separator between them.
void JoinFolder(Folder& folder, const char* parent, const char* child)
{
    size_t n = std::strlen(parent);
    bool separated = n > 0 && parent[n - 1] == '/';
    Concat(folder.text, sizeof folder.text, parent, separated ? "" : "/", child);
}

}  // namespace

extern "C" {

char* NormaliseFolder(char* folder)
{
    if (!folder)
        return folder;
    // Leading and trailing blanks go.
    size_t start = 0;
    while (folder[start] == ' ' || folder[start] == '\t')
        ++start;
    if (start)
        std::memmove(folder, folder + start, std::strlen(folder + start) + 1);
    size_t n = std::strlen(folder);
    while (n > 0 && (folder[n - 1] == ' ' || folder[n - 1] == '\t'))
        folder[--n] = '\0';
    if (n == 0)
        return folder;
    // Windows separators become ours; the folder ends in exactly one.
    for (size_t i = 0; i < n; ++i)
        if (folder[i] == '\\')
            folder[i] = '/';
    while (n > 1 && folder[n - 1] == '/')
        folder[--n] = '\0';
    if (folder[n - 1] != '/' && n + 1 < FOLDER_BUFFER_SIZE) {
        folder[n] = '/';
        folder[n + 1] = '\0';
    }
    return folder;
}

int FileExistsAt(const char* path)
{
    if (!path || !*path)
        return 0;
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

int SetFolders(const char* program, const char* files, const char* base)
{
    if (program) {
        SetFolder(gProgram, program);
        KeepLength(gProgram);
    }
    Terminated(gProgram);
    if (files)
        SetFolder(gFiles, files);
    else
        JoinFolder(gFiles, gProgram.text, "POSFILES");
    if (base)
        SetFolder(gBase, base);
    else
        JoinFolder(gBase, gProgram.text, "RAZAVUR");
    SessionBlock* session = GetSessionPaths();
    SetFolder(gDictionary, session ? session->DictionaryPath : "");
    KeepLength(gProgram);
    KeepLength(gFiles);
    KeepLength(gBase);
    KeepLength(gDictionary);
    return 0;
}

char* GetProgramPath(void)
{
    return Terminated(gProgram);
}

char* GetFilesPath(void)
{
    return Terminated(gFiles);
}

char* GetBasePath(void)
{
    return Terminated(gBase);
}

char* GetDictionaryPath(void)
{
    return Terminated(gDictionary);
}

char* GetFilesPathBuffer(void)
{
    return gFiles.text;
}

char* GetBaseFolderField(void)
{
    SessionBlock* session = GetSessionPaths();
    return session ? session->BasePath : GetBasePath();
}

char* GetFolderOfKind(int kind, char* buffer)
{
    if (!buffer)
        return buffer;
    const char* folder = "";
    switch (kind) {
    case FOLDER_BASE:
        folder = GetBasePath();
        break;
    case FOLDER_DATA:
    case FOLDER_QUERY:
        folder = GetFilesPath();
        break;
    case FOLDER_SHARED:
        folder = IsInterfacedToAccounting() ? GetAccountingCompanyPath() : GetFilesPath();
        break;
    case FOLDER_ACCOUNTING:
        folder = GetAccountingCompanyPath();
        break;
    case FOLDER_DICTIONARY:
        folder = GetDictionaryPath();
        break;
    default:
        break;
    }
    std::snprintf(buffer, FOLDER_BUFFER_SIZE, "%s", folder ? folder : "");
    return NormaliseFolder(buffer);
}

char* JoinCompanyFilePath(char* buffer, const char* folder, const char* name)
{
    if (!buffer)
        return buffer;
    char normal[FOLDER_BUFFER_SIZE];
    std::snprintf(normal, sizeof normal, "%s", folder ? folder : "");
    NormaliseFolder(normal);
    Concat(buffer, FOLDER_BUFFER_SIZE, normal, name ? name : "");
    return buffer;
}

int GetFormatFileName(int index, char* buffer, const char* table)
{
    if (!buffer)
        return 0;
    buffer[0] = '\0';
    if (!table || index < -1)
        return 0;
    // The table is a list of 16-byte names.
    using Name = char[16];
    const Name* names = reinterpret_cast<const Name*>(table);
    char name[sizeof(Name) + 1];
    std::memcpy(name, names[index + 1], sizeof(Name));
    name[sizeof(Name)] = '\0';
    // Trim the name at both ends.
    char* start = name;
    while (*start == ' ')
        ++start;
    size_t n = std::strlen(start);
    while (n > 0 && (start[n - 1] == ' '))
        start[--n] = '\0';
    std::snprintf(buffer, FOLDER_BUFFER_SIZE, "%s.FMT", start);
    return 0;
}

int GetFormatFilePath(int index, char* buffer, const char* table)
{
    if (!buffer)
        return 0;
    char name[FOLDER_BUFFER_SIZE];
    GetFormatFileName(index, name, table);
    JoinCompanyFilePath(buffer, GetBaseFolderField(), name);
    return 0;
}

char* ParentFolder(char* buffer, const char* folder)
{
    if (!buffer)
        return buffer;
    std::snprintf(buffer, FOLDER_BUFFER_SIZE, "%s", folder ? folder : "");
    NormaliseFolder(buffer);
    size_t n = std::strlen(buffer);
    if (n <= 1)
        return buffer;
    buffer[n - 1] = '\0';          // drop the final separator
    char* last = std::strrchr(buffer, '/');
    if (last)
        last[1] = '\0';
    else
        buffer[0] = '\0';
    return buffer;
}

void ResetCatalogueState(void)
{
    gProgram = Folder{};
    gFiles = Folder{};
    gBase = Folder{};
    gDictionary = Folder{};
}

}  // extern "C"
