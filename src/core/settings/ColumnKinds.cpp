#include "settings/ColumnKinds.h"

namespace ColumnKinds {

namespace {

struct Kind {
    const char* caption;
    int width;
};
const Kind Kinds[12] = {{"", 0},        {"項目名", 200}, {"ラベル", 80}, {"進行状況", 70},
                        {"作成日", 70}, {"更新日", 70},  {"期日", 70},   {"完了日", 70},
                        {"内容", 200},  {"リンク", 150}, {"ＩＤ", 50},   {"親フォルダ", 80}};

} // namespace

QString Caption(int kind) {
    return kind >= First && kind <= Last ? QString::fromUtf8(Kinds[kind].caption) : QString();
}

int StandardWidth(int kind) {
    return kind >= First && kind <= Last ? Kinds[kind].width : 0;
}

} // namespace ColumnKinds
