// User-defined-field settings: one labels record per kind of master record
// (customers, products, services) in the general settings file.
#include <algorithm>
#include <array>
#include <type_traits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/editor_frame.h"
#include "bwps/udf.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kRecordLength = sizeof(TagUDFSettings);
constexpr short kNoHandle = -1;
constexpr int kLabelWidth = 30;

void SetLabelText(char* label31, const char* text)
{
    std::memset(label31, ' ', kLabelWidth);
    label31[kLabelWidth] = '\0';
    const std::size_t n = std::min<std::size_t>(std::strlen(text), kLabelWidth);
    std::memcpy(label31, text, n);
}

void MakeKey(char* key255, const char* recordKey)
{
    std::memset(key255, 0, 255);
    std::memcpy(key255, recordKey, GENERAL_KEY_SIZE - 1);
}

}  // namespace

// ---- CBwUDFSBase ----

int CBwUDFSBase::m_nGrlTableId = -1;
short CBwUDFSBase::m_hGrlHdl = kNoHandle;
const char* const CBwUDFSBase::m_aLabelTypes[3] = {"Text", "Amount", "Date"};

CBwUDFSBase::CBwUDFSBase()
{
    std::memset(&m_rec, 0, sizeof m_rec);
    std::memset(&m_scratch, 0, sizeof m_scratch);
    m_hGrlHdl = kNoHandle;
}

CBwUDFSBase::~CBwUDFSBase()
{
    m_hGrlHdl = kNoHandle;
}

int CBwUDFSBase::GetFileId(unsigned char kind)
{
    switch (kind) {
    case 'C': return 10;
    case 'P': return 20;
    case 'S': return 21;
    default: return -1;
    }
}

int CBwUDFSBase::GetGrlTableId() { return m_nGrlTableId; }
void CBwUDFSBase::SetGrlTableId(int fileId) { m_nGrlTableId = fileId; }
short CBwUDFSBase::GetHandle() { return m_hGrlHdl; }

void CBwUDFSBase::SetHandle(short handle)
{
    if (m_hGrlHdl == kNoHandle)
        m_hGrlHdl = handle;
}

void CBwUDFSBase::ReleaseHandle()
{
    m_hGrlHdl = kNoHandle;
}

bool CBwUDFSBase::Open()
{
    if (m_hGrlHdl != kNoHandle)
        return true;
    bwps::Table file;
    const bwps::Status s = file.Open(static_cast<bwps::FileNo>(m_nGrlTableId));
    m_status = s.status;
    if (!s.Ok()) {
        s.Report();
        return false;
    }
    // The object keeps the handle until Close.
    m_hGrlHdl = static_cast<short>(file.Release());
    return true;
}

void CBwUDFSBase::Close()
{
    if (m_hGrlHdl != kNoHandle)
        BtrCloseFile(static_cast<uint16_t>(m_hGrlHdl));
    m_hGrlHdl = kNoHandle;
}

void CBwUDFSBase::InitStruct()
{
    std::memset(&m_rec, 0, sizeof m_rec);
    std::memcpy(m_rec.key, GetKey(), GENERAL_KEY_SIZE - 1);
    char text[64];
    for (int i = 0; i < 6; ++i) {
        std::snprintf(text, sizeof text, GetLabelFormat(), m_aLabelTypes[0], i + 1);
        SetLabelText(m_rec.texts[i], text);
    }
    for (int i = 0; i < 4; ++i) {
        std::snprintf(text, sizeof text, GetLabelFormat(), m_aLabelTypes[1], i + 1);
        SetLabelText(m_rec.amounts[i], text);
    }
    for (int i = 0; i < 2; ++i) {
        std::snprintf(text, sizeof text, GetLabelFormat(), m_aLabelTypes[2], i + 1);
        SetLabelText(m_rec.dates[i], text);
    }
}

int CBwUDFSBase::TableRead(bool lock, bool toScratch)
{
    char key[255];
    MakeKey(key, GetKey());
    TagUDFSettings* target = toScratch ? &m_scratch : &m_rec;
    const int op = lock ? B_GET_EQUAL + B_LOCK_MULTI_NOWAIT : B_GET_EQUAL;
    m_status = BtrGet(op, static_cast<uint16_t>(m_hGrlHdl), key, target, kRecordLength);
    if (lock && m_status != 0)
        BtrUnlock(-2, static_cast<uint16_t>(m_hGrlHdl), nullptr);
    if (!toScratch)
        SetNeedToRefresh(m_status != 0);
    return m_status;
}

bool CBwUDFSBase::Find()
{
    return TableRead(false, false) == 0;
}

bool CBwUDFSBase::Read()
{
    const int status = TableRead(false, false);
    return status == 0 || status == B_KEY_NOT_FOUND || status == B_END_OF_FILE;
}

bool CBwUDFSBase::TableWrite(bool insert)
{
    char key[255];
    MakeKey(key, GetKey());
    const int op = insert ? B_INSERT : B_UPDATE;
    m_status = BtrWrite(op, static_cast<uint16_t>(m_hGrlHdl), key, &m_rec, kRecordLength);
    SetNeedToRefresh(m_status != 0);
    if (m_status != 0) {
        BtrUnlock(-2, static_cast<uint16_t>(m_hGrlHdl), nullptr);
        bwps::Status{m_status, op, static_cast<bwps::FileNo>(m_nGrlTableId)}.Report();
        return false;
    }
    return true;
}

bool CBwUDFSBase::Insert()
{
    return TableWrite(true);
}

bool CBwUDFSBase::TableInitialize()
{
    const bool opened = m_hGrlHdl == kNoHandle;
    if (opened && !Open())
        return false;
    bool ok = true;
    if (!Find()) {
        if (m_status == B_KEY_NOT_FOUND) {
            InitStruct();
            ok = Insert();
        } else {
            bwps::Status{m_status, B_GET_EQUAL, static_cast<bwps::FileNo>(m_nGrlTableId)}.Report();
            ok = false;
        }
    }
    if (opened)
        Close();
    return ok;
}

bool CBwUDFSBase::Update(bool reread)
{
    if (reread) {
        // another station's lock on the record refuses the save here
        const int status = TableRead(true, true);
        if (status == B_KEY_NOT_FOUND || status == B_END_OF_FILE)
            return TableWrite(true);  // a general file without the kind's record yet
        if (status != 0) {
            bwps::Status{status, B_GET_EQUAL, static_cast<bwps::FileNo>(m_nGrlTableId)}.Report();
            return false;
        }
    }
    const bool ok = TableWrite(false);
    if (ok)
        BtrUnlock(-2, static_cast<uint16_t>(m_hGrlHdl), nullptr);
    return ok;
}

bool CBwUDFSBase::Save()
{
    const int status = TableRead(false, true);
    if (status == 0)
        return TableWrite(false);
    if (status == B_KEY_NOT_FOUND || status == B_END_OF_FILE)
        return TableWrite(true);
    bwps::Status{status, B_GET_EQUAL, static_cast<bwps::FileNo>(m_nGrlTableId)}.Report();
    return false;
}

bool CBwUDFSBase::GetStruct()
{
    if (!GetNeedToRefresh())
        return true;
    const bool opened = m_hGrlHdl == kNoHandle;
    if (opened && !Open())
        return false;
    const bool ok = Find();
    if (opened)
        Close();
    return ok;
}

bool CBwUDFSBase::SetStruct(const TagUDFSettings* record)
{
    if (record == nullptr)
        return false;
    std::memcpy(m_rec.texts, record->texts, sizeof m_rec.texts);
    std::memcpy(m_rec.amounts, record->amounts, sizeof m_rec.amounts);
    std::memcpy(m_rec.dates, record->dates, sizeof m_rec.dates);
    return std::strncmp(record->key, GetKey(), GENERAL_KEY_SIZE - 1) == 0;
}

bool CBwUDFSBase::SetLabel(int kind, int index, const char* text)
{
    char* label = nullptr;
    if (kind == UDF_TEXT && index >= 1 && index <= 6)
        label = m_rec.texts[index - 1];
    else if (kind == UDF_AMOUNT && index >= 1 && index <= 4)
        label = m_rec.amounts[index - 1];
    else if (kind == UDF_DATE && index >= 1 && index <= 2)
        label = m_rec.dates[index - 1];
    if (label == nullptr || text == nullptr)
        return false;
    SetLabelText(label, text);
    return true;
}

namespace {

// The twelve labels of a record in screen order.
template <class Record>
auto LabelsOf(Record& r)
{
    using Label = std::conditional_t<std::is_const_v<Record>, const char*, char*>;
    return std::array<Label, 12>{r.texts[0],   r.texts[1],   r.texts[2],   r.texts[3], r.texts[4], r.texts[5],
                                 r.amounts[0], r.amounts[1], r.amounts[2], r.amounts[3], r.dates[0], r.dates[1]};
}

}  // namespace

void CBwUDFSBase::StructToScreen(FxForm* form, int firstField) const
{
    int field = firstField;
    for (const char* label : LabelsOf(m_rec)) {
        char text[kLabelWidth + 1];
        std::snprintf(text, sizeof text, "%.*s", kLabelWidth, label);
        FxFieldSet(form, field++, text);
    }
}

void CBwUDFSBase::ScreenToStruct(FxForm* form, int firstField)
{
    int field = firstField;
    for (char* label : LabelsOf(m_rec))
        SetLabelText(label, FxFieldGet(form, field++));
}

void CBwUDFSBase::CloneStruct(TagUDFSettings* out) const
{
    std::memcpy(out, &m_rec, sizeof m_rec);
}

bool CBwUDFSBase::GetLabel(int kind, int index, char* out, unsigned int size) const
{
    const char* label = nullptr;
    if (kind == UDF_TEXT && index >= 1 && index <= 6)
        label = m_rec.texts[index - 1];
    else if (kind == UDF_AMOUNT && index >= 1 && index <= 4)
        label = m_rec.amounts[index - 1];
    else if (kind == UDF_DATE && index >= 1 && index <= 2)
        label = m_rec.dates[index - 1];
    if (label == nullptr || out == nullptr || size == 0)
        return false;
    std::snprintf(out, size, "%.*s", kLabelWidth, label);
    return true;
}

// ---- the three kinds ----

#define BWPS_UDF_KIND(Class, Key)                                                  \
    const char* const Class::m_cpKey = Key;                                        \
    const char* const Class::m_cpLabelFormat = "%s Label %d:";                     \
    bool Class::m_bNeedToRefresh = true;                                           \
    Class::Class() { m_bNeedToRefresh = true; }                                    \
    Class::~Class() { m_bNeedToRefresh = true; }                                   \
    const char* Class::GetKey() const { return m_cpKey; }                          \
    const char* Class::GetLabelFormat() const { return m_cpLabelFormat; }          \
    bool Class::GetNeedToRefresh() const { return m_bNeedToRefresh; }              \
    void Class::SetNeedToRefresh(bool value) { m_bNeedToRefresh = value; }

BWPS_UDF_KIND(CBwUDFSCust, GENERAL_KEY_UDFCUSTOMER)
BWPS_UDF_KIND(CBwUDFSProd, GENERAL_KEY_UDFPRODUCT)
BWPS_UDF_KIND(CBwUDFSServ, GENERAL_KEY_UDFSERVICE)

#undef BWPS_UDF_KIND

// ---- CBwUDFSMngr ----

CBwUDFSMngr* CBwUDFSMngr::m_pUDFSManager = nullptr;
CBwUDFSCust* CBwUDFSMngr::m_pUDFSCust = nullptr;
CBwUDFSProd* CBwUDFSMngr::m_pUDFSProd = nullptr;
CBwUDFSServ* CBwUDFSMngr::m_pUDFSServ = nullptr;
int CBwUDFSMngr::m_nGrlTableId = -1;
short CBwUDFSMngr::m_hGrlHdl = kNoHandle;
const char* const CBwUDFSMngr::m_cpMASTER_ENTITIES = "CPS";

CBwUDFSMngr::~CBwUDFSMngr()
{
    Close();
    delete m_pUDFSCust;
    delete m_pUDFSProd;
    delete m_pUDFSServ;
    m_pUDFSCust = nullptr;
    m_pUDFSProd = nullptr;
    m_pUDFSServ = nullptr;
}

bool CBwUDFSMngr::CreateManager()
{
    if (m_pUDFSManager == nullptr)
        m_pUDFSManager = new (std::nothrow) CBwUDFSMngr();
    return m_pUDFSManager != nullptr;
}

template <class Kind>
static bool CreateKind(Kind*& object)
{
    if (object == nullptr)
        object = new (std::nothrow) Kind();
    if (object == nullptr) {
        ShowMessage(1, 1);
        return false;
    }
    return true;
}

bool CBwUDFSMngr::CreateCust() { return CreateKind(m_pUDFSCust); }
bool CBwUDFSMngr::CreateProd() { return CreateKind(m_pUDFSProd); }
bool CBwUDFSMngr::CreateServ() { return CreateKind(m_pUDFSServ); }
bool CBwUDFSMngr::CreateAll() { return CreateCust() && CreateProd() && CreateServ(); }

bool CBwUDFSMngr::Create()
{
    if (!CreateManager()) {
        ShowMessage(1, 1);
        return false;
    }
    if (!CreateAll()) {
        Destroy();
        return false;
    }
    return true;
}

bool CBwUDFSMngr::CreateOneEntity(char entity)
{
    if (!CreateManager()) {
        ShowMessage(1, 1);
        return false;
    }
    bool made = false;
    switch (entity) {
    case 'C': made = CreateCust(); break;
    case 'P': made = CreateProd(); break;
    case 'S': made = CreateServ(); break;
    default: break;
    }
    if (!made && m_pUDFSCust == nullptr && m_pUDFSProd == nullptr && m_pUDFSServ == nullptr)
        Destroy();
    return made;
}

bool CBwUDFSMngr::InitializeOneEntity(char entity)
{
    if (!CreateOneEntity(entity))
        return false;
    // a program that has not said which general file holds the labels
    // keeps them in the store's own
    if (m_nGrlTableId < 0)
        m_nGrlTableId = bwps::No(bwps::FileNo::General);
    if (m_hGrlHdl == kNoHandle) {
        bwps::Table file;
        const bwps::Status s = file.Open(static_cast<bwps::FileNo>(m_nGrlTableId));
        if (!s.Ok()) {
            bwps::Status{s.status, -100, s.file}.Report();
            return false;
        }
        m_hGrlHdl = static_cast<short>(file.Release());
    }
    CBwUDFSBase::SetGrlTableId(m_nGrlTableId);
    CBwUDFSBase::ReleaseHandle();
    CBwUDFSBase::SetHandle(m_hGrlHdl);
    CBwUDFSBase* object = GetEntity(entity);
    if (!object->Read())
        return false;
    if (object->GetLastStatus() != 0)
        object->InitStruct();
    return true;
}

void CBwUDFSMngr::DestroyOneEntity(char entity, bool destroyManager)
{
    switch (entity) {
    case 'C': delete m_pUDFSCust; m_pUDFSCust = nullptr; break;
    case 'P': delete m_pUDFSProd; m_pUDFSProd = nullptr; break;
    case 'S': delete m_pUDFSServ; m_pUDFSServ = nullptr; break;
    default: return;
    }
    if (destroyManager && m_pUDFSCust == nullptr && m_pUDFSProd == nullptr && m_pUDFSServ == nullptr) {
        CBwUDFSBase::ReleaseHandle();
        Destroy();
    }
}

void CBwUDFSMngr::Destroy()
{
    delete m_pUDFSManager;
    m_pUDFSManager = nullptr;
}

CBwUDFSMngr* CBwUDFSMngr::Get() { return m_pUDFSManager; }
bool CBwUDFSMngr::IsActive() { return m_pUDFSManager != nullptr; }
void CBwUDFSMngr::SetGrlTableId(int fileId) { m_nGrlTableId = fileId; }
int CBwUDFSMngr::GetGrlTableId() { return m_nGrlTableId; }

bool CBwUDFSMngr::Open(const char* path)
{
    if (m_hGrlHdl != kNoHandle)
        return true;
    bwps::Table file;
    const bwps::Status s = file.OpenPath(bwps::FileNo::General, path);
    if (!s.Ok()) {
        // The file of another folder: the report names its own path.
        ShowRecordManagerError(s.status, 1, s.operation, path, 0);
        return false;
    }
    m_hGrlHdl = static_cast<short>(file.Release());
    return true;
}

void CBwUDFSMngr::Close()
{
    if (m_hGrlHdl != kNoHandle)
        BtrCloseFile(static_cast<uint16_t>(m_hGrlHdl));
    m_hGrlHdl = kNoHandle;
}

CBwUDFSBase* CBwUDFSMngr::GetEntity(char entity)
{
    switch (entity) {
    case 'C': return m_pUDFSCust;
    case 'P': return m_pUDFSProd;
    case 'S': return m_pUDFSServ;
    default: return nullptr;
    }
}

static bool InitializeEntity(CBwUDFSBase* object, short handle, int fileId)
{
    if (object == nullptr)
        return false;
    CBwUDFSBase::SetGrlTableId(fileId);
    CBwUDFSBase::SetHandle(handle);
    return object->TableInitialize();
}

bool CBwUDFSMngr::InitializeCust() { return InitializeEntity(m_pUDFSCust, m_hGrlHdl, m_nGrlTableId); }
bool CBwUDFSMngr::InitializeProd() { return InitializeEntity(m_pUDFSProd, m_hGrlHdl, m_nGrlTableId); }
bool CBwUDFSMngr::InitializeServ() { return InitializeEntity(m_pUDFSServ, m_hGrlHdl, m_nGrlTableId); }

bool CBwUDFSMngr::InitializeAll(const char* folder)
{
    if (!IsActive() || m_nGrlTableId < 0)
        return false;
    char path[FOLDER_BUFFER_SIZE] = {};
    if (folder != nullptr && folder[0] != '\0') {
        JoinCompanyFilePath(path, folder, GetDataFileName(m_nGrlTableId));
    } else {
        const char* catalogue = GetDataFilePath(m_nGrlTableId);
        if (catalogue == nullptr)
            return false;
        std::snprintf(path, sizeof path, "%s", catalogue);
    }
    if (!Open(path))
        return false;
    const bool ok = InitializeCust() && InitializeProd() && InitializeServ();
    CBwUDFSBase::ReleaseHandle();
    Close();
    return ok;
}

bool CBwUDFSMngr::GetLabel(char entity, int kind, int index, char* out, unsigned int size)
{
    const CBwUDFSBase* object = GetEntity(entity);
    return object != nullptr && object->GetLabel(kind, index, out, size);
}

bool CBwUDFSMngr::SetLabel(char entity, int kind, int index, const char* text)
{
    CBwUDFSBase* object = GetEntity(entity);
    return object != nullptr && object->SetLabel(kind, index, text);
}

short CBwUDFSMngr::GetHandle() { return m_hGrlHdl; }

bool CBwUDFSMngr::Initialize()
{
    if (!Create())
        return false;
    if (m_hGrlHdl == kNoHandle) {
        bwps::Table file;
        const bwps::Status s = file.Open(static_cast<bwps::FileNo>(m_nGrlTableId));
        if (!s.Ok()) {
            bwps::Status{s.status, -100, s.file}.Report();
            return false;
        }
        m_hGrlHdl = static_cast<short>(file.Release());
    }
    CBwUDFSBase::SetGrlTableId(m_nGrlTableId);
    CBwUDFSBase::ReleaseHandle();
    CBwUDFSBase::SetHandle(m_hGrlHdl);
    for (CBwUDFSBase* object : {static_cast<CBwUDFSBase*>(m_pUDFSCust), static_cast<CBwUDFSBase*>(m_pUDFSProd),
                                static_cast<CBwUDFSBase*>(m_pUDFSServ)}) {
        // a kind without its record shows the default labels
        if (!object->Read())
            return false;
        if (object->GetLastStatus() != 0)
            object->InitStruct();
    }
    return true;
}

namespace {

bool UpdateEntity(CBwUDFSBase* object)
{
    return object != nullptr && object->Update(true);
}

void ToScreen(const CBwUDFSBase* object, FxForm* form, int firstField)
{
    if (object != nullptr)
        object->StructToScreen(form, firstField);
}

void FromScreen(CBwUDFSBase* object, FxForm* form, int firstField)
{
    if (object != nullptr)
        object->ScreenToStruct(form, firstField);
}

}  // namespace

bool CBwUDFSMngr::UpdateCust() { return UpdateEntity(m_pUDFSCust); }
bool CBwUDFSMngr::UpdateProd() { return UpdateEntity(m_pUDFSProd); }
bool CBwUDFSMngr::UpdateServ() { return UpdateEntity(m_pUDFSServ); }
void CBwUDFSMngr::CustStructToScreen(FxForm* form, int firstField) { ToScreen(m_pUDFSCust, form, firstField); }
void CBwUDFSMngr::ProdStructToScreen(FxForm* form, int firstField) { ToScreen(m_pUDFSProd, form, firstField); }
void CBwUDFSMngr::ServStructToScreen(FxForm* form, int firstField) { ToScreen(m_pUDFSServ, form, firstField); }
void CBwUDFSMngr::CustScreenToStruct(FxForm* form, int firstField) { FromScreen(m_pUDFSCust, form, firstField); }
void CBwUDFSMngr::ProdScreenToStruct(FxForm* form, int firstField) { FromScreen(m_pUDFSProd, form, firstField); }
void CBwUDFSMngr::ServScreenToStruct(FxForm* form, int firstField) { FromScreen(m_pUDFSServ, form, firstField); }

bool CBwUDFSMngr::SaveCust() { return m_pUDFSCust != nullptr && m_pUDFSCust->Save(); }
bool CBwUDFSMngr::SaveProd() { return m_pUDFSProd != nullptr && m_pUDFSProd->Save(); }
bool CBwUDFSMngr::SaveServ() { return m_pUDFSServ != nullptr && m_pUDFSServ->Save(); }
bool CBwUDFSMngr::SetCustStruct(const TagUDFSettings* r) { return m_pUDFSCust != nullptr && m_pUDFSCust->SetStruct(r); }
bool CBwUDFSMngr::SetProdStruct(const TagUDFSettings* r) { return m_pUDFSProd != nullptr && m_pUDFSProd->SetStruct(r); }
bool CBwUDFSMngr::SetServStruct(const TagUDFSettings* r) { return m_pUDFSServ != nullptr && m_pUDFSServ->SetStruct(r); }
void CBwUDFSMngr::CloneCustStruct(TagUDFSettings* out)
{
    if (m_pUDFSCust != nullptr)
        m_pUDFSCust->CloneStruct(out);
}
void CBwUDFSMngr::CloneProdStruct(TagUDFSettings* out)
{
    if (m_pUDFSProd != nullptr)
        m_pUDFSProd->CloneStruct(out);
}
void CBwUDFSMngr::CloneServStruct(TagUDFSettings* out)
{
    if (m_pUDFSServ != nullptr)
        m_pUDFSServ->CloneStruct(out);
}
bool CBwUDFSMngr::CustGetStruct() { return m_pUDFSCust != nullptr && m_pUDFSCust->GetStruct(); }
bool CBwUDFSMngr::ProdGetStruct() { return m_pUDFSProd != nullptr && m_pUDFSProd->GetStruct(); }
bool CBwUDFSMngr::ServGetStruct() { return m_pUDFSServ != nullptr && m_pUDFSServ->GetStruct(); }

namespace bwps {
namespace {

class UdfLabels : public EditorCompanion {
public:
    explicit UdfLabels(char entity) : entity_(entity) {}
    bool Open() override { return CBwUDFSMngr::InitializeOneEntity(entity_); }
    void Close() override { CBwUDFSMngr::DestroyOneEntity(entity_, true); }
    void Start(const void*, bool) override {}
    bool Save(const void*) override { return true; }
    bool Delete(const void*) override { return true; }

private:
    char entity_;
};

}  // namespace

std::unique_ptr<EditorCompanion> UdfLabelsCompanion(char entity) { return std::make_unique<UdfLabels>(entity); }

}  // namespace bwps
