// bwps/credit_check.h: CBaseCreditCheck, the check of a customer before a
// charge sale: the credit limit and past-due open invoices (files 10, 3
// and 70), at a level: 0 refuse without a screen, 1 (or below 0) accept
// without a screen, 2 warning screen, 3 error screen (a supervisor may
// override it with the credit-override password of the system options).
#ifndef BWPS_CREDIT_CHECK_H
#define BWPS_CREDIT_CHECK_H

#include <cstdint>

#include "bwps/export.h"

class BWPS_EXPORT CBaseCreditCheck {
public:
    enum { CUSTOMER_SIZE = 795, SYSTEM_PREF_SIZE = 469 };

    CBaseCreditCheck();
    CBaseCreditCheck(short custHdl, short oinvHdl, short oihdHdl);
    ~CBaseCreditCheck();
    // Copies the whole state; the copy never closes the files of the
    // original (it borrows their handles).
    CBaseCreditCheck(const CBaseCreditCheck& other);
    CBaseCreditCheck& operator=(const CBaseCreditCheck& other);

    void SetCustHdl(short handle);
    void SetOInvHdl(short handle);
    void SetOIHdHdl(short handle);
    // The 469-byte system options record ("0System" of the accounting
    // company): byte 328 'N' leaves the error screens without override; the
    // stored credit-override password at 414.
    void SetSysPref(const void* systemPref469);
    void SetBatchProcess(bool batch);
    // Reads the customer (get equal); false for an empty or unknown number.
    bool SetCustNo(const char* number);

    bool CustAvailableCreditOk(double amount, const char* invoice, int level);
    bool CustPastDueInvoicesOk(const char* invoice, int level);

    int GetProblem() const;   // 0 not checked, 1 within the rule, 2 broken
    int GetAction() const;    // 1 the sale may go on, 0 it may not
    const char* GetCustNo() const;

private:
    bool ReadCust();
    bool OpenCustomerTable();
    int OpenOInvoiceTable();
    int OpenOInvoHdrTable();
    void CloseOwn();
    double CalcOpenInvNoPosted(const char* invoice, long date);
    int Decide(int level, bool keep, int32_t& stored, bool pastDue, double limit,
               double exposure);

    char m_custNo[11];
    short m_custHdl;
    short m_oinvHdl;
    short m_oihdHdl;
    bool m_ownCust;
    bool m_ownOInv;
    bool m_ownOIHd;
    uint8_t m_customer[CUSTOMER_SIZE];
    uint8_t m_sysPref[SYSTEM_PREF_SIZE];
    int32_t m_problem;
    int32_t m_action;
    int32_t m_creditLevel;
    int32_t m_pastDueLevel;
    bool m_batch;
    bool m_keepCredit;
    bool m_keepPastDue;
};

#endif
