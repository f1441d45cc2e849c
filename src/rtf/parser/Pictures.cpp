// Pictures: PNG and JPEG data are decoded from hex (or \bin) for the page;
// kinds Qt cannot draw are kept as their RTF group, to be written back as
// they came, in a box of their size.
#include "rtf/parser/ParserState.h"

#include "rtf/PictureData.h"

#include <algorithm>

namespace Rtf::detail {

bool Parser::beginPicture(const Token& t) {
    // Nested past the depth kept, the picture's own group is not known, so
    // it cannot be kept whole: its data stays text.
    if (m_overflow > 0)
        return false;
    m_pictWordAt = t.word.data() - m_input.data() - 1;
    return true;
}

// Called as the picture's outermost group closes, before it leaves the
// stack.
void Parser::keepPictureSource() {
    const qsizetype from = top().start, end = m_tok.position();
    // Text or words before \pict in its group were read as what they are;
    // the picture kept to be written back begins at \pict.
    if (m_pictWordAt > from + 1 && m_pictWordAt < end)
        m_pict.source = '{' + m_input.sliced(m_pictWordAt, end - m_pictWordAt).toByteArray();
    else
        m_pict.source = m_input.sliced(from, end - from).toByteArray();
}

void Parser::pictureControl(Op op, const Token& t, const Entry& e) {
    const int p = t.param;
    switch (op) {
    case Op::PngBlip:
        m_pict.kind = int(ImageKind::Png);
        break;
    case Op::JpegBlip:
        m_pict.kind = int(ImageKind::Jpeg);
        break;
    case Op::OtherBlip:
        m_pict.kind = -1;
        m_pict.metric = e.value == 1;
        break;
    case Op::PicW:
        m_pict.picw = clampInt(p, 0, kMaxTwips);
        break;
    case Op::PicH:
        m_pict.pich = clampInt(p, 0, kMaxTwips);
        break;
    case Op::PicWGoal:
        m_pict.goalw = clampInt(p, 0, kMaxTwips);
        break;
    case Op::PicHGoal:
        m_pict.goalh = clampInt(p, 0, kMaxTwips);
        break;
    case Op::PicScaleX:
        m_pict.scalex = clampInt(p, 1, 1000);
        break;
    case Op::PicScaleY:
        m_pict.scaley = clampInt(p, 1, 1000);
        break;
    default:
        break;
    }
}

void Parser::pictureBytes(QByteArrayView bytes) {
    for (char c : bytes) {
        const int v = hexDigitValue(c);
        if (v < 0)
            continue;
        if (m_pict.nibble < 0) {
            m_pict.nibble = v;
        } else {
            m_pict.data.append(char(m_pict.nibble * 16 + v));
            m_pict.nibble = -1;
        }
    }
}

void Parser::finishPicture(const CharState& ch) {
    PendingPicture p = std::move(m_pict);
    m_pict = PendingPicture();
    if (m_stack.empty() || top().dest != Dest::Text || ch.hidden)
        return;
    const QByteArray& d = p.data;
    const bool png = d.startsWith("\x89PNG");
    const bool jpeg = PictureData::IsJpeg(d);
    Picture pic;
    if ((p.kind == int(ImageKind::Png) && png) || (p.kind == int(ImageKind::Jpeg) && jpeg)) {
        pic.data = d;
        pic.kind = ImageKind(p.kind);
        pic.source = std::move(p.source); // in case it does not decode
        if (p.goalw > 0 && p.goalh > 0) {
            pic.widthPx = std::clamp(p.goalw * (p.scalex / 100.0) / kTwipsPerPixel, 1.0,
                                     PictureData::MaxShownPx);
            pic.heightPx = std::clamp(p.goalh * (p.scaley / 100.0) / kTwipsPerPixel, 1.0,
                                      PictureData::MaxShownPx);
        }
    } else {
        // Kept as it came, in a box of its size.
        pic.kind = ImageKind::Other;
        pic.source = std::move(p.source);
        double w = p.goalw / kTwipsPerPixel;
        double h = p.goalh / kTwipsPerPixel;
        const double unit = p.metric ? 96.0 / 2540 : 1.0;
        if (w <= 0)
            w = p.picw * unit;
        if (h <= 0)
            h = p.pich * unit;
        constexpr double kDefaultPx = 96;
        pic.widthPx =
            std::clamp(w > 0 ? w * p.scalex / 100.0 : kDefaultPx, 1.0, PictureData::MaxShownPx);
        pic.heightPx =
            std::clamp(h > 0 ? h * p.scaley / 100.0 : kDefaultPx, 1.0, PictureData::MaxShownPx);
    }
    beginContent();
    syncFormat();
    flushText();
    if (inNote()) {
        m_notes.push_back(NoteRun{{}, ch, pic, false});
        return;
    }
    if (m_pendingBreak) {
        m_out->breakParagraph();
        m_pendingBreak = false;
    }
    m_out->picture(pic, ch);
    m_paraEmpty = false;
}

} // namespace Rtf::detail
