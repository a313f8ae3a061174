// The message catalogue and the printers: one place decides which stream each
// text goes to and how it is written.
#include "guarded_io/guarded_io.h"

#include <cstring>

#include "platform/platform.h"

// The texts are code page 932; their UTF-8 form stands beside each one.
// A name is framed by a grave accent before it and an apostrophe after it.
// The texts keep the line breaks of their code page 932 bytes, one text to a
// line where it fits.
// clang-format off
const MessageText MESSAGES[MESSAGE_COUNT] = {
    // MSG_CLOSE_FAILURE
    {{"\x83t\x83@\x83" "C\x83\x8b\x82\xaa\x83N\x83\x8d\x81[\x83Y\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81" "B\n\n",
      "ファイルがクローズできません。\n\n"},
     false},
    // MSG_DELETE_FAILURE
    {{"`%s' \x82\xaa\x8d\xed\x8f\x9c\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81" "B\n\n",
      "`%s' が削除できません。\n\n"},
     false},
    // MSG_OVERWRITE_QUESTION: no line feed at the end, the answer is echoed there.
    {{"`%s' \x82\xcd\x8a\xf9\x82\xc9\x91\xb6\x8d\xdd\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81" "B\n"
      "\x8f\xe3\x8f\x91\x82\xab\x82\xb5\x82\xc4\x82\xe0\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5\x82\xb7\x82\xa9\x81H [Y / Other] ",
      "`%s' は既に存在しています。\n上書きしてもよろしいですか？ [Y / Other] "},
     false},
    // MSG_ANSWER_END
    {{"\n\n", "\n\n"}, false},
    // MSG_OPEN_FAILURE
    {{"`%s' \x82\xaa\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81" "B\n",
      "`%s' がオープンできません。\n"},
     false},
    // MSG_SEEK_FAILURE
    {{"\x83t\x83@\x83" "C\x83\x8b\x82\xcc\x83V\x81[\x83N\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B\n",
      "ファイルのシークに失敗しました。\n"},
     false},
    // MSG_LIST_ACCESS_FAILURE
    {{"\n\x83t\x83@\x83" "C\x83\x8b\x82\xcc\x83" "A\x83N\x83Z\x83X\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B\n",
      "\nファイルのアクセスに失敗しました。\n"},
     false},
    // MSG_OUT_OF_MEMORY
    {{"\n\x95K\x97v\x82\xc8\x83\x81\x83\x82\x83\x8a\x82\xcc\x8am\x95\xdb\x82\xaa\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81" "B\n",
      "\n必要なメモリの確保ができません。\n"},
     false},
    // MSG_FINISHED
    {{"\n\x8fI\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B\n", "\n終了しました。\n"}, false},
    // MSG_SKIPPED
    {{"\x8f\xe3\x8f\x91\x82\xab\x82\xb5\x82\xc8\x82\xa2\x82\xc5\x83X\x83L\x83" "b\x83v\x82\xb5\x82\xdc\x82\xb7\x81" "B\n",
      "上書きしないでスキップします。\n"},
     true},
    // MSG_DISK_FULL
    {{"\x83" "f\x83" "B\x83X\x83N\x82\xaa\x88\xea\x94t\x82\xc5\x82\xb7\x81" "B\n", "ディスクが一杯です。\n"}, false},
    // MSG_EXTRACTED
    {{"\x93W\x8aJ\x8fI\x97\xb9 : `%s'\n", "展開終了 : `%s'\n"}, true},
};
// clang-format on

void print_text(std::FILE* stream, const char* text, const char* name)
{
    // '%' never occurs inside a code page 932 character, so a plain byte
    // search finds the place of the name.
    const char* slot = std::strstr(text, "%s");
    if (slot == nullptr || name == nullptr) {
        platform_write_text(stream, text, std::strlen(text));
        return;
    }
    platform_write_text(stream, text, static_cast<std::size_t>(slot - text));
    platform_write_name(stream, name);
    platform_write_text(stream, slot + 2, std::strlen(slot + 2));
}

void print_message(Message message, const char* name)
{
    const MessageText& entry = MESSAGES[message];
    // Whatever standard output holds goes first, so that the reports stand
    // before a question on the console, and in their order when both
    // streams go to one file.
    if (!entry.on_stdout)
        (void)std::fflush(stdout);
    print_text(entry.on_stdout ? stdout : stderr, entry.text.bytes, name);
}
