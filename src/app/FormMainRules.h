#pragma once
// The report window's texts and its small rules, kept apart from the window so they are tested
// natively.
#include <cstdint>
#include <string>

namespace pv {

inline constexpr char16_t kApplicationTitle[] = u"Plenvia Kolvane";
inline constexpr char16_t kWindowCaption[] = u"Orvix Plenvia Helper";
inline constexpr char16_t kLinkCaption[] =
    u"This tool will collect information to help us diagnose and fix the problem you are "
    u"experiencing with our product. By sending us the report, you accept our <a>Privacy "
    u"Policy</a>.";
inline constexpr char16_t kSaveButtonCaption[] = u"Click here to save report";
inline constexpr char16_t kWaitingIdleText[] = u"==========";
inline constexpr char16_t kCompletedCaption[] = u"Completed";

// The waiting line for an animation step 0..9: ten "=" with ">" at the step and at the index
// before it (index 9 when the step is 0).
std::u16string WaitingFrame(int32_t step);
// The step after `step`: 0..9, wrapping after 9.
int32_t NextWaitingStep(int32_t step);

// "pv_info_" + yyyymmdd + "_i.zip".
std::u16string ArchiveFileName(int year, int month, int day);

// "Report file has been saved to desktop" CR "Filename : " + the archive's file name (no LF).
std::u16string CompletionText(const std::u16string& archiveFileName);
// Shown instead of the completion text when no archive was written.
std::u16string FailureText();
// The message at the end of the job: the completion text only when the archive was saved.
std::u16string EndOfJobText(bool archiveSaved, const std::u16string& archiveFileName);

} // namespace pv
