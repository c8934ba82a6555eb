/* bwps/alerts.h: business alerts. The host keeps rules (BWBCARUL.DB) and
 * an alert list (BWBCALRT.DB) beside the data files; an alert session reads
 * the customers, salespersons, open invoices, layaways, products and
 * vendors and writes one alert per subject that meets a rule. The history
 * (BWBCAHST.DB), the e-mail queue (BWBCAEML.DB) and the preferences
 * (BWBCAPRF.DB) are the host's. E-mail messages are also written as .eml
 * files into the OUTBOX folder beside the alert files, for the mail system
 * to send.
 */
#ifndef BWPS_ALERTS_H
#define BWPS_ALERTS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/alerts.h"

enum {
    ALERT_MSG_BAD_THRESHOLD = 3750,  /* a rule's threshold is not a number */
    ALERT_WORK_FILE_TRIES = 10,
    ALERT_KEY_BUFFER = 255,
    ALERT_PATH_SIZE = 260,
    ALERT_WORK_OPEN_MODE = 1024,
    ALERT_DATA_OPEN_MODE = 0x200
};

#ifdef __cplusplus

#include <string>

class BWPS_EXPORT AlertObject {
public:
    virtual ~AlertObject();
};

/* One record-manager file of the alerts. */
class BWPS_EXPORT AlertDbFile {
public:
    AlertDbFile();
    virtual ~AlertDbFile();
    /* The file specification (16 bytes) and the key segments (16 bytes each). */
    virtual void GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const;
    virtual void GetFileName(char* buffer, int size) const;
    virtual void Hook(int, int, int) {}

    /* Creates the file in the folder when it is missing; 0 or the status. */
    int Create(const char* folder);
    /* Opens the file of the folder; 0 or the status. */
    int Open(const char* folder, int mode = 0);
    /* Uses a handle the caller opened and closes (never closed here). */
    void Attach(uint16_t handle);
    /* A work file "<folder>/alerts.NNN" (1 to 10) of this file's layout,
     * opened in mode 1024, deleted when the object goes; 0 or the status. */
    int CreateWorkFile(const char* folder);
    void Close();
    uint16_t Handle() const { return handle_; }
    std::string Path(const char* folder) const;

protected:
    uint16_t handle_ = 0;
    bool owned_ = false;
    char key_[ALERT_KEY_BUFFER] = {};
    char workPath_[ALERT_PATH_SIZE] = {};
};

class BWPS_EXPORT AlertFile : public AlertDbFile {
public:
    void GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const override;
    void GetFileName(char* buffer, int size) const override;
    /* Adds the alert (id 0: the next id). When the subject already has an
     * alert of the condition, a stricter rule takes it over and the same
     * rule brings its data up to date. 0, or the status of the failed
     * insert, read or update. */
    int Add(AlertRecord& alert);
    AlertRecord record{};
};

class BWPS_EXPORT AlertHistoryFile : public AlertDbFile {
public:
    void GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const override;
    void GetFileName(char* buffer, int size) const override;
    AlertHistoryRecord record{};
};

class BWPS_EXPORT AlertRuleFile : public AlertDbFile {
public:
    void GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const override;
    void GetFileName(char* buffer, int size) const override;
    AlertRuleRecord record{};
};

class BWPS_EXPORT AlertEmailFile : public AlertDbFile {
public:
    void GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const override;
    void GetFileName(char* buffer, int size) const override;
    /* Packs a message into the record buffer; its length, or 0 when the
     * texts do not fit. */
    static int Pack(const AlertEmailMessage& message, AlertEmailRecord& record);
    /* Unpacks a record of `length` bytes; false when it is damaged. */
    static bool Unpack(const AlertEmailRecord& record, int length, AlertEmailMessage& message);
    /* Saves the message: found by name it is updated (its id kept), else
     * inserted; and its .eml file is written into the outbox of `folder`.
     * 0, or the status (-1: the texts do not fit, -2: the .eml file could
     * not be written). */
    int Save(const AlertEmailMessage& message, const char* folder);
    /* Deletes the message by name (a missing one counts as deleted) and its
     * .eml file; 0 or the status. */
    int Delete(const char* name, const char* folder);
    AlertEmailRecord record{};
};

/* BWBCAPRF.DB: a flat file of one 19-byte record. */
class BWPS_EXPORT AlertPrefsFile {
public:
    explicit AlertPrefsFile(const char* folder);
    virtual ~AlertPrefsFile();
    /* Reads the record (zeros when the file is missing); false on an error. */
    bool Read(uint8_t* record);
    /* Writes the record aside and renames it into place; false on an error. */
    bool Write(const uint8_t* record);

private:
    char folder_[ALERT_PATH_SIZE] = {};
    int handle_ = -1;
};

/* Remembers the key number and the position of a file; goes back to them
 * when it goes. */
class BWPS_EXPORT AlertFilePosition {
public:
    explicit AlertFilePosition(uint16_t handle);
    virtual ~AlertFilePosition();
    AlertFilePosition(const AlertFilePosition&) = delete;
    AlertFilePosition& operator=(const AlertFilePosition&) = delete;

private:
    uint16_t handle_;
    int key_ = 0;
    uint32_t position_ = 0;
    bool valid_ = false;
};

/* The interface the host gets (defined whole here, so that a host that
 * loads the library at run time needs nothing of it but the entry). */
class AlertSessionBase {
public:
    virtual ~AlertSessionBase() = default;
    virtual void Release() = 0;
    /* The open alerts file and today (a framework date). 1. */
    virtual int Init(uint16_t alertsHandle, int32_t today) = 0;
    /* Closes the data files; the alerts file is the host's. 1. */
    virtual int Close() = 0;
    /* True when the rule was evaluated without record-manager errors. */
    virtual int Evaluate(const AlertRuleRecord* rule, intptr_t argument) = 0;
};

extern "C" {
/* A new alert session into *session (null when memory is short); 1 when
 * made, else 0. The host calls Release when done. */
BWPS_EXPORT int AlertsCreateSession(AlertSessionBase** session);
/* Creates the missing alert files (rules, alerts, history, e-mail) in the
 * folder; 0, or the status of the first that failed. */
BWPS_EXPORT int AlertFilesCreate(const char* folder);
}

namespace bwps::alerts {
/* The number of a threshold text: false when it is not a number (blanks
 * around it are allowed); a negative value counts as 0. */
BWPS_EXPORT bool ThresholdValue(const char* text, double& value);
/* True when a threshold of `candidate` is stricter than `stored` for the
 * condition. */
BWPS_EXPORT bool Stricter(uint32_t condition, double candidate, double stored);
/* The .eml text of a message (header values on one line each). */
BWPS_EXPORT std::string EmlText(const AlertEmailMessage& message);
}  // namespace bwps::alerts

#endif

#endif
