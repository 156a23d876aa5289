#include "app/FormMainRules.h"
#include "controls/RdHtmLabel.h"
#include <gtest/gtest.h>

using namespace pv;

// The report window's link sentence, as a screen reader must read it: no "<a>" tags.
TEST(LinkCaption, WindowTextIsThePlainSentence) {
    TRdHtmLabel label;
    label.SetLines({kLinkCaption});
    EXPECT_EQ(label.PlainText(),
              u"This tool will collect information to help us diagnose and fix the problem you "
              u"are experiencing with our product. By sending us the report, you accept our "
              u"Privacy Policy.");
    // The label still draws from the mark-up.
    EXPECT_EQ(label.Caption(), kLinkCaption);
}
