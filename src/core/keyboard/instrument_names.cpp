// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/instrument_names.h"

#include <array>

namespace kelodi {

namespace {

// In program order: a name's position is its program number.
constexpr std::array<std::string_view, InstrumentCount> Names = {
    "大钢琴", "明亮的钢琴", "电钢琴", "酒吧钢琴", "电钢琴 1", "电钢琴 2", "羽管键琴", "击弦古钢琴",
    "钢片琴", "钟琴", "八音盒", "颤音琴", "马林巴", "木琴", "管钟", "大扬琴",
    "击杆风琴", "打击式风琴", "摇滚风琴", "教堂风琴", "簧管风琴", "手风琴", "口琴", "探戈手风琴",
    "尼龙弦吉他", "钢弦吉他", "爵士电吉他", "清音电吉他", "闷音电吉他", "加驱动电吉他", "加失真电吉他", "吉他和音",
    "大贝司", "电贝司(指弹)", "电贝司(拨片)", "无品贝司", "掌击Bass1", "掌击Bass2", "电子合成Bass1", "电子合成Bass2",
    "小提琴", "中提琴", "大提琴", "低音大提琴", "弦乐群颤音音色", "弦乐群拨弦音色", "竖琴", "定音鼓",
    "弦乐合奏音色1", "弦乐合奏音色2", "合成弦乐合奏音色1", "合成弦乐合奏音色2", "人声合唱“啊”", "人声“嘟”", "合成人声", "管弦乐敲击齐奏",
    "小号", "长号", "大号", "加弱音器小号", "法国号", "铜管组", "合成铜管音色1", "合成铜管音色2",
    "高音萨克斯风", "次中音萨克斯风", "中音萨克斯风", "低音萨克斯风", "双簧管", "英国管", "巴松", "单簧管",
    "短笛", "长笛", "竖笛", "排箫", "Blown Bottle", "日本尺八", "口哨声", "奥卡雷那",
    "合成主音1", "合成主音2", "合成主音3", "合成主音4", "合成主音5", "合成主音6", "合成主音7", "合成主音8",
    "合成音色1", "合成音色2", "合成音色3", "合成音色4", "合成音色5", "合成音色6", "合成音色7", "合成音色8",
    "合成效果1", "合成效果2", "合成效果3", "合成效果4", "合成效果5", "合成效果6", "合成效果7", "合成效果8",
    "西塔尔", "班卓琴", "三昧线", "十三弦筝", "卡林巴", "风笛", "民族提琴", "山奈",
    "叮当铃", "Agogo", "钢鼓", "木鱼", "太鼓", "通通鼓", "合成鼓", "铜钹",
    "吉他换把杂音", "呼吸声", "海浪声", "鸟鸣", "电话铃", "直升机", "鼓掌声", "枪声",
};

}  // namespace

std::string_view instrumentName(int program)
{
    if (program < 0 || program >= InstrumentCount)
        return {};
    return Names[static_cast<std::size_t>(program)];
}

int instrumentPreselection(const std::string& selectedInstrumentName)
{
    for (int program = 0; program < InstrumentCount; ++program) {
        if (Names[static_cast<std::size_t>(program)] == selectedInstrumentName)
            return program;
    }
    return -1;
}

}  // namespace kelodi
