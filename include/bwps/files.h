// bwps/files.h: the data files by number. The one place a file number is
// written as a number; everything else names the file through FileNo.
#ifndef BWPS_FILES_H
#define BWPS_FILES_H

namespace bwps {

enum class FileNo : int {
    None = 0,
    Accounts = 1,                  // BPOSACCT.DB  chart of accounts
    PayablesOpenItems = 2,         // BPOSAPOP.DB
    ReceivablesOpenItems = 3,      // BPOSAROP.DB
    Assemblies = 4,                // BPOSASSM.DB
    AssemblyDetail = 5,            // BPOSASTD.DB
    AssemblyHeader = 6,            // BPOSASTH.DB
    BillingCodes = 7,              // BPOSBICD.DB
    CheckRegister = 8,             // BPOSCHCK.DB
    CustomerAddresses = 9,         // BPOSCUSA.DB
    Customers = 10,                // BPOSCUST.DB
    Journals = 11,                 // BPOSGLJL.DB
    LedgerDetail = 12,             // BPOSGLTD.DB
    LedgerHeader = 13,             // BPOSGLTH.DB
    GeneralAddresses = 14,         // BPOSGNRA.DB
    AccountingGeneral = 15,        // BPOSGNRL.DB of the accounting company
    MessageCodes = 16,             // BPOSMSGS.DB
    PriceBook = 17,                // BPOSPRBK.DB
    PhysicalCount = 18,            // BPOSPHYS.DB
    PurchaseOrderHeader = 19,      // BPOSPOHD.DB
    Products = 20,                 // BPOSPROD.DB
    Services = 21,                 // BPOSSERV.DB
    AccountingSalesLines = 22,     // BPOSSLDT.DB
    SerialNumbers = 23,            // BPOSSNUM.DB
    SerialDetail = 24,             // BPOSSNDT.DB
    Salespersons = 25,             // BPOSSPER.DB
    TimeClock = 26,                // BPOSSPTM.DB
    Terms = 27,                    // BPOSTERM.DB
    TaxTable = 28,                 // BPOSTXTB.DB
    VendorAddresses = 29,          // BPOSVENA.DB
    Vendors = 30,                  // BPOSVEND.DB
    General = 31,                  // BPOSGNRL.DB of the store
    Registers = 32,                // BPOSREGS.DB
    Tenders = 33,                  // BPOSTEND.DB
    LayawayHeader = 34,            // BPOSLAYH.DB
    LayawayDetail = 35,            // BPOSLAYD.DB
    SalesHeader = 36,              // BPOSINHD.DB
    SalesDetail = 37,              // BPOSINDT.DB
    ProductHistory = 38,           // BPOSPRHI.DB
    CustomerStatistics = 39,       // BPOSCUHI.DB
    CustomerHistoryDetail = 40,    // BPOSCUHD.DB
    CustomerHistorySummary = 41,   // BPOSCUHS.DB
    QuoteHeader = 42,              // BPOSQTEH.DB
    QuoteDetail = 43,              // BPOSQTED.DB
    ServiceHistory = 44,           // BPOSSERH.DB
    CardTransactions = 45,         // BPOSCARD.DB
    PromotionHeader = 46,          // BPOSPPHD.DB
    PromotionProducts = 47,        // BPOSPPDD.DB
    RegisterReconciliations = 48,  // BPOSRSAV.DB
    ReceivablesTransactions = 49,  // BPOSARTH.DB
    AccountingSalesHeader = 50,    // BPOSINHD.DB of the accounting company
    AccountingSalesDetail = 51,    // BPOSINDT.DB of the accounting company
    RecurringHeader = 52,          // BPOSINRH.DB
    RecurringDetail = 53,          // BPOSINRD.DB
    BackOrders = 54,               // BPOSBORD.DB
    PurchaseOrderDetail = 55,      // BPOSPODT.DB
    PurchaseDetail = 56,           // BPOSPURD.DB
    ChargeHeader = 57,             // BPOSCHTH.DB
    ChargeDetail = 58,             // BPOSCHTD.DB
    RecurringChargeHeader = 59,    // BPOSCHRH.DB
    RecurringChargeDetail = 60,    // BPOSCHRD.DB
    Users = 61,                    // BPOSGEN3.DB
    ItemDetails = 62,              // BPOSITMD.DB
    ProductActivity = 63,          // BPOSPRTD.DB
    CustomerFields = 64,           // BPOSUDFC.DB
    VendorFields = 65,             // BPOSUDFV.DB
    ProductFields = 66,            // BPOSUDFP.DB
    ServiceFields = 67,            // BPOSUDFS.DB
    ShipVia = 68,                  // BPOSSVIA.DB
    PayablesOpenHeaders = 69,      // BPOSAPOH.DB
    ReceivablesOpenHeaders = 70,   // BPOSAROH.DB
    Units = 71,                    // BPOSWUNI.DB
    AlternateProducts = 72,        // BPOSPALT.DB
    AuditLog = 73,                 // BPOSAULG.DB
    ProductPictures = 74,          // BPOSPBMP.DB
    PromotionCustomers = 75,       // BPOSPPCU.DB
    Warehouses = 76,               // BPOSWHSE.DB
    MasterItems = 77,              // BPOSMITM.DB
    UserWarehouses = 78,           // BPOSGEN4.DB
    QueryHeaders = 79,             // BPOSQHED.DB
    QueryColumns = 80,             // BPOSQCOL.DB
    ReportHeaders = 81,            // BPOSRHED.DB
    ReportTexts = 82,              // BPOSRTXT.DB
    QueryExpressions = 83,         // BPOSQEXP.DB
    ReportFields = 84,             // BPOSRFLD.DB
    CompanyIds = 85,               // BPOSCID.DB   base folder
    Stations = 86,                 // BPOSSTN.DB   base folder
    Printers = 87,                 // BPOSPRN.DB   base folder
    KeyDefinitions = 88,           // BPOSKEY.DB   base folder
    DictionaryColumns = 89,        // WBWPOCOL.DB  dictionary folder
    Resources1 = 90,               // WBPSRSC1.DAT
    Resources2 = 91,               // WBPSRSC2.DAT
    Resources3 = 92,               // WBPSRSC3.DAT
    Resources4 = 93,               // WBPSRSC4.DAT
    MessageTexts = 94,             // WBPSRSC5.DAT
    Resources6 = 95,               // WBPSRSC6.DAT
    MenuRights = 96,               // BPOSGEN2.DB  base folder
    HelpText = 97,                 // WBPSDTL.HLP
    FormVariables = 98,            // BPOSVAR.DB
    BarcodePrinters = 99,          // BPOSBPRN.DB
    CashRegisters = 100,           // BPOSDRWR.DB
};

// The number of a file, for the catalogue calls and the error report.
constexpr int No(FileNo file) { return static_cast<int>(file); }

}  // namespace bwps

#endif
