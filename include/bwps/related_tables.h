// Related tables: the one companion record that a master record can have in
// another file, keyed by the master record's code. CBwRelatedTable opens the
// related file and finds, reads, inserts, updates, saves and deletes the
// record behind a code; CBwProdPictureTable keeps the picture file of a
// product (BPOSPBMP.DB) and shows it as one full path.
//
// Writes go through the record manager on the object's handle, so a caller
// that has begun a record-manager transaction (a master record's delete)
// takes the companion's write into it.
#ifndef BWPS_RELATED_TABLES_H
#define BWPS_RELATED_TABLES_H

#include <cstddef>

#include "bwps/export.h"
#include "bwps/records/pictures.h"

class BWPS_EXPORT CBwRelatedTable {
public:
    virtual ~CBwRelatedTable();
    // Bytes of the key at the record's start, and of the whole record.
    virtual std::size_t GetKeySize() const = 0;
    virtual std::size_t GetRecordSize() const = 0;
    // Whether the given record (null: the object's own) holds nothing
    // worth storing.
    virtual bool IsDataEmpty(const void* record = nullptr) const = 0;

    // Opens the related file when closed; a failure is reported and leaves
    // it closed.
    bool Open();
    // Closes the file when the object opened it; a lent handle is only
    // forgotten.
    void Close();
    bool IsOpen() const { return m_hHdl != kNoHandle; }

    // Clears the record and puts the key at its start. A key is text: at
    // most GetKeySize() - 1 characters are taken, up to its NUL.
    void InitDataBuffer(const void* key);
    // Copies a whole record in.
    void SetDataInfo(const void* record);
    void* GetDataInfo() { return m_pRecord; }

    // Get equal by the key: true when found. Not found (4, 9) answers false
    // without a report and leaves the object on an empty record of that
    // key; other statuses are reported.
    bool Find(const void* key);
    // The walk over the file in key order, with the same status rule.
    bool ReadFirst();
    bool ReadNext();

    bool Insert();
    // Update of the record of the object's key. With reread, or when the
    // file's current record is not that key's, the record is read again by
    // its key first; false when that fails.
    bool Update(bool reread);
    // Deletes the record of the object's key; a key without a record
    // counts as success.
    bool Delete();
    // An empty record is deleted; otherwise updated when the key's record
    // exists, inserted when it does not.
    bool Save();

    // The read behind the finders: with a key, the key buffer is cleared and
    // the key put into it; into the object's record or a scratch record
    // made for the call (status 22 when it cannot be made). The status is
    // kept and returned.
    int TableRead(const void* key, short operation, bool toScratch);
    // Insert or update of the object's record; a failure is reported.
    bool TableWrite(bool insert);

    int GetResult() const { return m_nResult; }
    short GetHandle() const { return m_hHdl; }
    // Takes a handle (lent by the caller) only while the object has none.
    void SetHandle(short handle);
    int GetMasterFileId() const { return m_nMasterFileId; }
    int GetRelatedFileId() const { return m_nRelatedFileId; }

    static constexpr short kNoHandle = -1;

protected:
    CBwRelatedTable(int masterFileId, int relatedFileId, void* record);
    CBwRelatedTable(const CBwRelatedTable&) = delete;
    CBwRelatedTable& operator=(const CBwRelatedTable&) = delete;

private:
    void PutKey(void* out, const void* key) const;
    bool HoldsCurrent() const;
    void Report(int status, int operation) const;

    void* m_pRecord;
    char m_aKey[255] = {};
    int m_nMasterFileId;
    int m_nRelatedFileId;
    short m_hHdl = kNoHandle;
    bool m_bOwnsHandle = false;
    int m_nResult = 0;
    // Key of the file's current record when the last read or write of this
    // object left the file on it.
    char m_aCurrent[255] = {};
    bool m_bHasCurrent = false;
};

// Folder kinds of a picture's full path.
enum PictureFolderKind {
    PICTURE_OWN_FOLDER = 1,   // the folder kept in the record
    PICTURE_NO_FOLDER = 2,    // the file name alone
    PICTURE_PROGRAM = 3,      // the program folder
    PICTURE_DATA_FILES = 4,   // the data-files folder
    PICTURE_IMAGES = 5        // the company's images folder
};

// Longest full path: a folder, its separator and a file name.
enum { PICTURE_FULL_PATH_SIZE = PICTURE_FOLDER_SIZE + PICTURE_NAME_SIZE + 1 };

// The picture file of a product (master file 20) in BPOSPBMP.DB (74).
// The product editor's object keeps the images folder (kind 5): only the
// file name is stored.
class BWPS_EXPORT CBwProdPictureTable : public CBwRelatedTable {
public:
    explicit CBwProdPictureTable(int folderKind = PICTURE_IMAGES);
    ~CBwProdPictureTable() override;
    std::size_t GetKeySize() const override { return PICTURE_CODE_SIZE; }
    std::size_t GetRecordSize() const override { return sizeof(TagProdPicture); }
    // Empty when both folder and file name are blank.
    bool IsDataEmpty(const void* record = nullptr) const override;

    // The full path into out (size bytes): the kind's folder with one
    // separator and the file name; the name alone for kind 2. Empty when
    // the record has no file name, the kind is unknown or the path does not
    // fit. Answers out.
    virtual char* GetFullPath(char* out, std::size_t size) const;
    // Splits a path into folder and file name (with its extension). Kind 1
    // keeps the folder in the record, every other kind clears it. False,
    // leaving the record as it was, without a path or when the folder or the
    // name does not fit its field.
    virtual bool SetFullPath(const char* path);

    int GetFolderKind() const { return m_nFolderKind; }
    TagProdPicture& Record() { return m_rec; }

private:
    TagProdPicture m_rec;
    int m_nFolderKind;
};

#endif
