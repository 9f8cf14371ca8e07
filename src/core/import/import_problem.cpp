// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/import/import_problem.h"

#include <array>

namespace kelodi {

namespace {

struct ProblemTexts {
    ImportProblem problem;
    std::string_view window;
    std::string_view english;
};

// In the order of the enumeration.
constexpr std::array<ProblemTexts, 13> Texts{{
    {ImportProblem::None, "", ""},
    {ImportProblem::Unreadable, "文件无法读取！", "cannot read the file"},
    {ImportProblem::TooLarge, "文件太大（超过 64 MB），不能导入！", "the file is larger than 64 MiB"},
    {ImportProblem::NotMusicXml, "不是 MusicXML 乐谱文件！", "not a MusicXML score"},
    {ImportProblem::Timewise, "不支持按小节排列（timewise）的 MusicXML 乐谱，请在记谱软件中另存为按声部排列（partwise）的格式。",
     "timewise MusicXML is not supported (save the score as partwise MusicXML)"},
    {ImportProblem::Malformed, "MusicXML 文件已损坏，无法读取！", "malformed MusicXML"},
    {ImportProblem::EntityDeclarations, "文件的文档类型中声明了实体，为安全起见不能导入！",
     "the document type declares entities (refused for safety)"},
    {ImportProblem::DamagedArchive, "MXL 压缩文件已损坏，无法读取！", "damaged .mxl archive"},
    {ImportProblem::UnsafeArchivePath, "MXL 压缩文件中有不安全的路径，不能导入！",
     "the archive names an entry with an unsafe path"},
    {ImportProblem::UnpackedTooLarge, "MXL 压缩文件解压后超过 64 MB，不能导入！",
     "the archive unpacks to more than 64 MiB"},
    {ImportProblem::NoScoreInArchive, "MXL 压缩文件中没有乐谱！", "no score in the archive"},
    {ImportProblem::TooManyElements, "乐谱太大（声部、小节或音符太多），不能导入！", "the score is too large"},
    {ImportProblem::NotInBuild, "此版本不能导入 MusicXML 文件。", "this build cannot read MusicXML"},
}};

const ProblemTexts& textsOf(ImportProblem problem)
{
    const auto index = static_cast<std::size_t>(problem);
    return index < Texts.size() ? Texts[index] : Texts[static_cast<std::size_t>(ImportProblem::Unreadable)];
}

}  // namespace

static_assert([] {
    for (std::size_t i = 0; i < Texts.size(); ++i)
        if (static_cast<std::size_t>(Texts[i].problem) != i)
            return false;
    return true;
}());

std::string_view importProblemText(ImportProblem problem)
{
    return textsOf(problem).window;
}

std::string_view importProblemEnglish(ImportProblem problem)
{
    return textsOf(problem).english;
}

}  // namespace kelodi
