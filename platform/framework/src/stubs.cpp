#include "fx.h"

extern "C" {

int FxAppBegin(FxContext*) { return 0; }
int FxAppRun(FxContext*, int) { return 0; }
int FxAppEnd(FxContext*) { return 0; }
int FxStart(void) { return 0; }
int FxStop(void) { return 0; }
int FxContextBegin(intptr_t, intptr_t, intptr_t) { return 0; }
int FxContextEnd(void) { return 0; }
FxAppObject* FxApp(void) { return nullptr; }
int FxAppFirstRun(void) { return 0; }
void FxAppSetUserId(const char*) { }
void FxAppSetPassword(const char*) { }
void FxAppSetParameterText(const char*) { }
void FxAppSetCompanyText(const char*) { }
void FxAppSetStationText(const char*) { }
void FxAppSetFirstRun(int) { }
const char* FxAppUserId(void) { return nullptr; }
const char* FxAppPassword(void) { return nullptr; }
const char* FxAppParameterText(void) { return nullptr; }
const char* FxAppCompanyText(void) { return nullptr; }
const char* FxAppStationText(void) { return nullptr; }
void FxSetAppFlags(int) { }
void FxSetPathLength(int) { }
void FxSetAppMode(int) { }
void FxSetProductId(int) { }
void FxSetInterfaced(int) { }
void FxSetProductNumber(int) { }
int FxGetProductNumber(void) { return 0; }
void FxSetAppVersionFlag(int) { }
void FxSetAppTitle(const char*) { }
const char* FxGetAppCaption(int) { return nullptr; }
void FxSetAppCode(const char*) { }
void FxSetAppShortName(const char*) { }
void FxSetAppKey(const char*) { }
void FxSetSingleUserTitle(const char*) { }
char* FxConvertText(char*) { return nullptr; }
void FxSetProductName(const char*) { }
void FxSetAppVersion(const char*) { }
void FxSetHelpFile(const char*) { }
void FxSetAccountingHelpFile(const char*) { }
void* FxAppIcon(void) { return nullptr; }
void FxSetOwnerWindow(void*) { }
void* FxGetMainWindow(void) { return nullptr; }
void* FxGetOwnerWindow(void) { return nullptr; }
int FxHasOwnWindow(void) { return 0; }
void* FxActiveOwner(void) { return nullptr; }
int FxSetProgramDate(int32_t) { return 0; }
void FxSetCompanyName(const char*) { }
void FxSetHeadingLine(int, const char*) { }
void FxSetDataFolder(const char*) { }
void FxSetHelpFolder(const char*) { }
int FxWindowStateSave(int) { return 0; }
void FxWindowStateRestore(int) { }
int FxLoadScreenLibrary(const char*) { return 0; }
void FxUnloadScreenLibrary(void) { }
int FxRestoreWindowPos(const char*, void*) { return 0; }
int FxSaveWindowPos(const char*, void*) { return 0; }
void FxCenterDialog(void*, void*) { }
void FxRegisterDialog(void*) { }
void FxUnregisterDialog(void*) { }
int FxBannerCreate(int, int, int, int, int, int) { return 0; }
int FxBannerColour(int, int) { return 0; }
void FxBannerClear(void) { }
int FxBannerShow(const char*, int) { return 0; }
int FxFormLoad(FxForm*, ScreenField*, int) { return 0; }
const char* FxFieldGet(FxForm*, int) { return nullptr; }
int FxFieldSet(FxForm*, int, const char*) { return 0; }
int FxChoiceGet(FxForm*, int) { return 0; }
int FxChoiceSet(FxForm*, int, int) { return 0; }
int FxFocusField(FxForm*, int) { return 0; }
int FxEnableField(FxForm*, int, int) { return 0; }
int FxFieldSetDisplayOnly(FxForm*, int, int) { return 0; }
int FxFieldSetState(FxForm*, int, int) { return 0; }
int FxColumnSetState(FxForm*, int, int) { return 0; }
int FxFieldIsEmpty(FxForm*, int, int, int*) { return 0; }
int FxFormRedraw(void*, FxForm*) { return 0; }
int FxFormRedrawAfterPick(void*, FxForm*) { return 0; }
int FxSetChoiceLetters(FxWindow*, int, int, const char*) { return 0; }
int FxAttachFolderBrowse(FxForm*, int, const char*, char*) { return 0; }
int FxFormText(void*, int, int, int, const char*, int) { return 0; }
void FxWindowSetName(FxWindow*, const char*) { }
int FxGridAttach(FxForm*, FxForm*, const FxGridBlock*) { return 0; }
int FxGridClear(FxForm*) { return 0; }
int FxGridRedraw(FxForm*) { return 0; }
int FxGridLine(void*, FxForm*, void*, int) { return 0; }
void* FxGridNewLine(FxForm*, int) { return nullptr; }
int FxGridSetRow(FxForm*, int) { return 0; }
int FxGridEmpty(FxForm*) { return 0; }
void* FxGridCurrent(FxForm*) { return nullptr; }
int FxGridCount(FxForm*) { return 0; }
int FxGridSetColumnChoices(FxForm*, int, const char*) { return 0; }
int FxGridApplyChoices(FxForm*) { return 0; }
void* FxGridFirst(FxForm*) { return nullptr; }
void* FxGridNext(FxForm*) { return nullptr; }
int FxGridLineChoicesReset(FxForm*, void*) { return 0; }
int FxWindowCreate(FxWindow*, int, int, int, int, int, int, int, const char*) { return 0; }
int FxWindowClose(FxWindow*, int) { return 0; }
int FxWindowAttachForm(FxWindow*, FxForm*, int) { return 0; }
int FxWindowText(FxWindow*, int, int, int, const char*, int) { return 0; }
int FxWindowHasForm(FxWindow*) { return 0; }
int FxPlaceWindow(int, int, int, int, FxRect*) { return 0; }
int FxClearWindow(FxWindow*) { return 0; }
int FxSetKeyHandler(void*, int, FxHandler) { return 0; }
int FxSetKeyState(void*, int, int) { return 0; }
int FxSetKeyCaption(void*, int, const char*) { return 0; }
int FxSetKeyButton(void*, int) { return 0; }
int FxKeyMenuShowBeside(void*, int, int) { return 0; }
int FxReleaseKey(void*, int) { return 0; }
int FxKeyMenuApply(void*) { return 0; }
int FxKeyRead(void*, int, int) { return 0; }
int FxIsLeaveKey(const void*) { return 0; }
int FxGetKey(int) { return 0; }
int FxPostKey(int) { return 0; }
int FxPump(void) { return 0; }
void FxBeep(void) { }
int FxMessageBox(void*, const char*, const char*, int, int) { return 0; }
int FxMessageBoxEx(const char*, const char*, int) { return 0; }
int FxShowText(const char*) { return 0; }
int FxChoiceDialog(char**, const char*, int, int, const char*, int) { return 0; }
int FxPopupChoose(const char*, int, int, int) { return 0; }
char* FxChoiceText(char*, const char*, int) { return nullptr; }
int FxShowHelp(int, intptr_t, int) { return 0; }
FxStatus* FxStatusOpen(const char*, int) { return nullptr; }
int FxStatusUpdate(FxStatus*, int) { return 0; }
int FxStatusClose(FxStatus*) { return 0; }
int FxStatusSetLine(FxStatus*, int, const char*) { return 0; }
FxStatus* FxProgressOpen(const char*, int) { return nullptr; }
int FxProgressStep(FxStatus*, int) { return 0; }
int FxProgressSetLine(FxStatus*, int, const char*) { return 0; }
int FxProgressClose(FxStatus*) { return 0; }
int FxProgressSetTitle(FxStatus*, const char*) { return 0; }
FxStatus* FxProgressOpenTitled(const char*, int) { return nullptr; }
int FxProgressCloseHandle(FxStatus*) { return 0; }
int FxIsEmpty(const char*) { return 0; }
char* FxTrimText(int, char*) { return nullptr; }
char* FxPadString(char*, int, int) { return nullptr; }
char* FxPadBlanks(char*, int) { return nullptr; }
char* FxCenterText(char*, const char*) { return nullptr; }
char* FxLeftAlign(char*, const char*) { return nullptr; }
char* FxRightAlign(char*, const char*) { return nullptr; }
char* FxRightAlignNumber(char*, int) { return nullptr; }
char* FxGroupThousands(char*, int) { return nullptr; }
char* FxBlankZero(char*, int) { return nullptr; }
char* FxDecimalPoint(int, char*) { return nullptr; }
int FxIsFillerChar(int) { return 0; }
int FxLoadString(int, int, char*) { return 0; }
int FxTextListLoad(int, char**, int*, int*, int) { return 0; }
void FxTextListFree(char**) { }
char* FxAllocLine(int) { return nullptr; }
void FxCharTransform88(char*) { }
void FxCharTransform89(char*) { }
char* FxFormatAmount(double, char*, int) { return nullptr; }
double FxRound(double, int) { return 0; }
int FxIsZeroAmount(double*) { return 0; }
int FxAmountsEqual(double, double) { return 0; }
int FxIsNegativeAmount(double) { return 0; }
double FxDivide(double, double) { return 0; }
double FxAmountCorrect(double, int) { return 0; }
double FxLongToAmount(int32_t, int) { return 0; }
int FxPictureWidth(const char*) { return 0; }
int FxPictureIsNumeric(const char*) { return 0; }
int FxPictureNumberInfo(const char*, int*, int*, int*) { return 0; }
int FxPictureMatch(const char*, const char*) { return 0; }
char* FxPictureAdjust(int, char*) { return nullptr; }
char* FxFormatValue(char*, const char*, int, const void*) { return nullptr; }
int FxFormatNumber(char*, const char*, int, int, double) { return 0; }
int FxParseNumber(const char*, int, double*) { return 0; }
int32_t FxToday(void) { return 0; }
void FxTodayRefresh(void) { }
int32_t FxSystemDate(void) { return 0; }
int FxDateValid(const char*) { return 0; }
int FxDateCheck(const char*) { return 0; }
int32_t FxDateParse(const char*) { return 0; }
char* FxDateFormat(char*, int32_t) { return nullptr; }
char* FxDateFormatLong(char*, int32_t) { return nullptr; }
int FxDateIsValid(int32_t) { return 0; }
int32_t FxDateOfPeriod(int, int) { return 0; }
int FxDateYear(int32_t) { return 0; }
int FxYearOfDate(int32_t) { return 0; }
int32_t FxDateAdjust(int32_t, int) { return 0; }
int32_t FxDateAddYears(int32_t, int) { return 0; }
int32_t FxDateAddMonths(int32_t, int) { return 0; }
int32_t FxDateAddDays(int32_t, int) { return 0; }
int32_t FxMonthEnd(int32_t) { return 0; }
int32_t FxDayNumber(int32_t) { return 0; }
int32_t FxDateOfDayNumber(int32_t) { return 0; }
uint16_t FxClock(void) { return 0; }
double FxTimeToHours(int32_t) { return 0; }
char* FxTimeFormat(char*, int32_t, int) { return nullptr; }
char* FxTimeNowText(char*, int) { return nullptr; }
char* FxTimeToText(char*, int32_t) { return nullptr; }
void* FxAlloc(int, int) { return nullptr; }
void FxFree(void*) { }
void FxListInit(FxList*) { }
void* FxListAdd(FxList*, const void*, int) { return nullptr; }
void* FxListWalk(FxList*, int, int, int) { return nullptr; }
void FxListClear(FxList*) { }
int FxFileAccess(const char*, int) { return 0; }
int FxFileOpen(const char*, int, int, int, int*) { return 0; }
int FxFileCreate(const char*, int) { return 0; }
int FxFileClose(int) { return 0; }
int FxFileRead(int, void*, int, int*) { return 0; }
int FxFileWrite(int, const void*, int, int*) { return 0; }
int32_t FxFileSeek(int, int32_t, int) { return 0; }
int FxFileDelete(const char*) { return 0; }
int32_t FxFileTell(int) { return 0; }
int FxFileCopy(const char*, const char*) { return 0; }
int FxFileRename(const char*, const char*) { return 0; }
char* FxPathSetExtension(char*, const char*) { return nullptr; }
int FxMakeFolder(const char*) { return 0; }
char* FxFolderEnd(char*) { return nullptr; }
char* FxFolderWithSeparator(char*) { return nullptr; }
char* FxFolderNoEnd(char*) { return nullptr; }
int FxPathAccepted(const char*) { return 0; }
int FxDiskSpace(const char*, uint64_t*, uint64_t*) { return 0; }
int FxFolderPatternSizes(const char*, const char*, uint64_t*, uint64_t*) { return 0; }
int FxFolderCleanup(const char*, const char*) { return 0; }
int FxTextOpen(FxTextReader*, const char*) { return 0; }
int FxTextClose(FxTextReader*) { return 0; }
int FxTextRewind(FxTextReader*) { return 0; }
int FxTextNext(FxTextReader*) { return 0; }
int FxSheetEndRow(FxSheet*) { return 0; }
int FxSheetText(FxSheet*, const char*) { return 0; }
int FxSheetNumber(FxSheet*, double) { return 0; }
int FxOpenStringFiles(const char*, const char*, const char*) { return 0; }
int FxOpenScreenFiles(const char*, const char*, const char*, const char*) { return 0; }
void FxCloseStringFiles(void) { }
void FxCloseScreenFiles(void) { }
int FxLoadResourceTable(void*, int, int, int*) { return 0; }
int FxResourceAdd(int, int, int, const void*, int) { return 0; }
int FxResourceLoadFile(const char*) { return 0; }
void FxSetDeviceFolder(const char*) { }
int FxSerialOpen(int, int) { return 0; }
int FxSerialSend(int, const char*, int) { return 0; }
int FxSerialClose(int) { return 0; }
int FxSerialWrite(int, const char*, int) { return 0; }
int FxSerialReopen(int, int) { return 0; }
int FxParallelOpen(int, int, int*, int) { return 0; }
int FxParallelClose(int) { return 0; }
int FxParallelControl(int, int, const void*, int) { return 0; }
int FxParallelReopen(int, int, int*) { return 0; }
int FxParallelReady(int) { return 0; }
int FxDeviceSend(int, int, const uint16_t*) { return 0; }
int FxAuthorizerPrepare(void*, const char*) { return 0; }
int FxAuthorizerRunning(void*) { return 0; }
void FxUseScriptDriver(void) { }
void FxUseTerminalDriver(void) { }
int FxUsingTerminal(void) { return 0; }
int FxScriptLoad(const char*) { return 0; }
int FxScriptLoadFile(const char*) { return 0; }
int FxScriptRemaining(void) { return 0; }
const char* FxTranscript(void) { return nullptr; }
void FxTranscriptClear(void) { }
void FxTranscriptNote(const char*) { }
void FxReset(void) { }

}

AutoFill::~AutoFill() = default;
bool AutoFill::DefineColumns(Columns&) { return false; }
bool AutoFill::FindOpen(const char*) { return false; }
bool AutoFill::FindClose() { return true; }
bool AutoFill::FindFirst(Item&) { return false; }
bool AutoFill::FindNext(Item&) { return false; }
