#include "controls/MarkupPlainText.h"
#include "controls/RdHtmLabel.h"
#include <gtest/gtest.h>

using namespace pv;

namespace {

struct PlainCase {
    const char* fault;
    std::u16string_view markup;
    bool showAccelChar;
    std::u16string_view plain;
};

// Each row names the fault a screen reader would hear if the rule were broken.
const PlainCase kCases[] = {
    {"anchor tags read aloud", u"accept our <a>Privacy Policy</a>.", true,
     u"accept our Privacy Policy."},
    {"style tags read aloud", u"<b>bold</b> <i>it</i> <font color=#FF0000>red</font>", true,
     u"bold it red"},
    {"entities read literally", u"a &lt;b&gt;&nbsp;c &quot;q&quot; &euro;", true,
     u"a <b> c \"q\" \u20AC"},
    {"doubled ampersand kept double", u"Tom &amp; Jerry &&", true, u"Tom & Jerry &"},
    {"accelerator mark read", u"&Save now", true, u"Save now"},
    {"ampersands dropped without accelerators", u"&Save", false, u"&Save"},
    {"\" & \" caption loses its ampersand", u"Tom & Jerry", true, u"Tom & Jerry"},
    {"lone last ampersand read", u"end&", true, u"end"},
    {"hidden text read", u"shown<z> hidden <b>too</b></z> again", true, u"shown again"},
    {"nested hidden ends early", u"a<z>b<z>c</z>d</z>e", true, u"ae"},
    {"line breaks run words together", u"one<BR>two<p>three", true, u"one\r\ntwo\r\nthree"},
    {"breaks doubled or left at the ends", u"<br>one<br><br><hr>two<br>", true, u"one\r\ntwo"},
    {"CR in the caption kept raw", u"one\r\ntwo", true, u"one\r\ntwo"},
    {"unclosed tag read as text", u"text <a never closed", true, u"text "},
    {"empty caption", u"", true, u""},
};

} // namespace

TEST(MarkupPlainText, ShowsWhatTheLabelDrawsWithoutMarkup) {
    for (const auto& c : kCases) {
        EXPECT_EQ(PlainTextOfMarkup(c.markup, c.showAccelChar), c.plain) << c.fault;
    }
}

// Lines of a multi-line label become separate lines of its window text.
TEST(MarkupPlainText, LabelLinesBecomeLines) {
    TRdHtmLabel label;
    label.SetLines({u"<b>first</b>", u"second <a>link</a>"});
    EXPECT_EQ(label.PlainText(), u"first\r\nsecond link");
}
