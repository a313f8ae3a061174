// The program entry and the driver of a run.
#include "run/run.h"

#include <cstdlib>
#include <cstring>

#include "bank/bank.h"
#include "platform/platform.h"

// The texts keep the line breaks of their code page 932 bytes, one text to a
// line where it fits.
// clang-format off
const FixedText BANNER = {
    "bankcut 2.00\x83\xc0 for Win32 (C) 2026 bankcut contributors\n\n",
    "bankcut 2.00β for Win32 (C) 2026 bankcut contributors\n\n",
};

const FixedText USAGE_TEXT[USAGE_LINES] = {
    {"\x8f\x91\x8e\xae : bankcut <PDX Filename> <PDL Filename> (PCM No.)\n\n",
     "書式 : bankcut <PDX Filename> <PDL Filename> (PCM No.)\n\n"},
    {"\x8b@\x94\\ : <PDX Filename> \x82\xc5\x8ew\x92\xe8\x82\xb3\x82\xea\x82\xbd PDX \x83t\x83@\x83" "C\x83\x8b\x82\xf0\n",
     "機能 : <PDX Filename> で指定された PDX ファイルを\n"},
    {"       <PDL Filename> \x82\xc5\x8ew\x92\xe8\x82\xb3\x82\xea\x82\xbd\x83t\x83@\x83" "C\x83\x8b\x82\xcc\x83l\x81[\x83\x80\n",
     "       <PDL Filename> で指定されたファイルのネーム\n"},
    {"       \x83\x8a\x83X\x83g\x82\xc9\x82\xb5\x82\xbd\x82\xaa\x82\xc1\x82\xc4\x93W\x8aJ\x82\xb5\x82\xdc\x82\xb7\x81" "B\n\n",
     "       リストにしたがって展開します。\n\n"},
    {"       <PDX Filename> \x82\xc6 <PDL Filename> \x82\xcc\x8ag\x92\xa3\x8eq\x82\xcc\n",
     "       <PDX Filename> と <PDL Filename> の拡張子の\n"},
    {"       \x83" "f\x83t\x83H\x83\x8b\x83g\x82\xcd\x82\xbb\x82\xea\x82\xbc\x82\xea [.PDX] [.PDL] \x82\xc5\x82\xb7\x81" "B\n\n",
     "       デフォルトはそれぞれ [.PDX] [.PDL] です。\n\n"},
    {"       (PCM No.) \x82\xc9\x82\xcd\x93W\x8aJ\x82\xb7\x82\xe9 PCM \x94\xd4\x8d\x86\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xdc\x82\xb7(0 \x81` 8255)\x81" "B\n",
     "       (PCM No.) には展開する PCM 番号を指定します(0 ～ 8255)。\n"},
    {"       \x8f\xc8\x97\xaa\x82\xb5\x82\xbd\x8f\xea\x8d\x87\x82\xcd\x81" "A\x82\xb7\x82\xd7\x82\xc4\x82\xcc PCM \x83t\x83@\x83" "C\x83\x8b\x82\xf0\x93W\x8aJ\x82\xb5\x82\xdc\x82\xb7\x81" "B\n\n",
     "       省略した場合は、すべての PCM ファイルを展開します。\n\n"},
    {"\x97\xe1\x82P : bankcut bos.pdx bos.pdl 21\n", "例１ : bankcut bos.pdx bos.pdl 21\n"},
    {"\x97\xe1\x82Q : bankcut bos bos\n\n", "例２ : bankcut bos bos\n\n"},
    {"\x92\x8d\x88\xd3 : mkbnk \x82\xcc xlbank \x82\xc9\x8a\xd6\x82\xb5\x82\xc4\x82\xcd\x81" "A\x81u\x83x\x83^\x8f\x91\x82\xab\x83\x82\x81[\x83h\x81v\x82\xcc\x82\xdd\x91\xce\x89\x9e\n",
     "注意 : mkbnk の xlbank に関しては、「ベタ書きモード」のみ対応\n"},
    {"       \x82\xb5\x82\xc4\x82\xa8\x82\xe8\x81" "A\x81u\x83o\x83\x93\x83N\x95\xca\x81" "A\x93\xc6\x97\xa7\x89\xb9\x8aK\x8ew\x92\xe8\x83\x82\x81[\x83h\x81v\x82\xc9\x82\xcd\x96\xa2\x91\xce\x89\x9e\x82\xc5\x82\xb7\x81" "B\n\n",
     "       しており、「バンク別、独立音階指定モード」には未対応です。\n\n"},
};
// clang-format on

namespace {

// Lets the platform choose the output encoding, knowing every text the tool
// may print.
void start_output()
{
    const char* texts[1 + USAGE_LINES + MESSAGE_COUNT];
    std::size_t count = 0;
    texts[count++] = BANNER.bytes;
    for (const FixedText& line : USAGE_TEXT)
        texts[count++] = line.bytes;
    for (const MessageText& message : MESSAGES)
        texts[count++] = message.text.bytes;
    platform_start_output(texts, count);
}

[[noreturn]] void usage()
{
    for (const FixedText& line : USAGE_TEXT)
        print_text(stdout, line.bytes, nullptr);
    std::exit(-1);
}

// Copies a name from the command line with room for its extension.
char* copy_name(const char* argument)
{
    const std::size_t length = std::strlen(argument);
    char* name = static_cast<char*>(std::malloc(length + EXTENSION_ROOM));
    if (name == nullptr) {
        print_message(MSG_OUT_OF_MEMORY);
        std::exit(-1);
    }
    std::memcpy(name, argument, length + 1);
    return name;
}

}  // namespace

char* add_default_extension(char* name, bool is_bank)
{
    // Both '/' and '\' end a directory part: a dot in "./bos" or "dir.x/bos"
    // belongs to the directory, not to the file name.
    const char* tail = name;
    for (const char* p = name; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\')
            tail = p + 1;
    // The caller made room for the extension and its terminator.
    if (std::strchr(tail, '.') == nullptr)
        std::memcpy(name + std::strlen(name), is_bank ? ".PDX" : ".PDL", EXTENSION_ROOM);
    return name;
}

void run_main(int argc, char** argv)
{
    start_output();
    print_text(stdout, BANNER.bytes, nullptr);

    bool take_all = true;
    std::int32_t number = -1;
    if (argc == 4) {
        number = parse_pcm_number(argv[3]);
        if (number < 0 || number > MAX_PCM_NUMBER)
            usage();
        take_all = false;
    } else if (argc != 3) {
        usage();
    }
    char* bank_name = copy_name(argv[1]);
    char* list_name = copy_name(argv[2]);

    OpenStatus status = OPEN_NEW;
    std::FILE* bank = open_guarded(add_default_extension(bank_name, true), "rb", &status);
    if (status == OPEN_FAILED)
        std::exit(-1);
    std::FILE* list = open_guarded(add_default_extension(list_name, false), "r", &status);
    if (status == OPEN_FAILED)
        end_run(-1);

    char name[NAME_SIZE] = {};
    while (std::feof(list) == 0) {
        if (read_list_entry(&number, name, list, take_all) == 1)
            (void)extract_sample(number, name, bank);
    }
    close_all_files();
    print_message(MSG_FINISHED);
    std::free(bank_name);
    std::free(list_name);
    std::exit(0);
}
