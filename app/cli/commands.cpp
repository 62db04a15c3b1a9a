// SPDX-License-Identifier: MIT
// The table of commands with their help texts.
#include "app/cli/command.h"

namespace qs::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"init", "init", "Start up the archive home (a first use creates it) and show its setup.",
         "\nPrints the home, its directories and the settings version.\n", cmd_init},
        {"db list", "db list", "List every database.",
         "\nWith --json, each database is an object with its fields by name\n"
         "(ALTADDRESS is the list of alternative addresses).\n",
         cmd_db_list},
        {"db add-forum", "db add-forum NAME", "Add a forum database.", "", cmd_db_add_forum},
        {"db add-mail", "db add-mail NAME --address ADDR [--alt ADDR]...",
         "Add a mail database with its owner's addresses.",
         "\n  --address ADDR   the owner's default mail address (required)\n"
         "  --alt ADDR       an alternative address of the owner (up to ten)\n",
         cmd_db_add_mail},
        {"db update-mail", "db update-mail NAME [--address ADDR] [--alt ADDR]...",
         "Change a mail database's addresses.",
         "\n  --address ADDR   a new default address\n"
         "  --alt ADDR       the alternative addresses; given ones replace all the old ones\n",
         cmd_db_update_mail},
        {"db remove", "db remove NAME --yes", "Remove a database with all its messages and files.",
         "\n  --yes   confirm; nothing is removed without it\n", cmd_db_remove},
        {"config get", "config get ITEM", "Show a setting (general, display or export item).",
         "\nITEM is the number of a general (2-19), display (22-60) or export (61-63) setting.\n",
         cmd_config_get},
        {"config set", "config set ITEM VALUE", "Change a setting.",
         "\nITEM is the number of a general (2-19), display (22-60) or export (61-63) setting.\n",
         cmd_config_set},
        {"config set-path", "config set-path data|index|temp DIR",
         "Set the top directory of the database files, of the word index files or the "
         "temporary directory.",
         "\nWorks also when start-up stops because a saved directory is gone.\n", nullptr},
        {"formats", "formats [--detect PATH...]", "List the reader formats an import can read.",
         "\nWith --json, each format is an object with NUMBER, NAME, FAMILY and MASK\n"
         "(the default mask; empty for Outlook Mail, which reads Outlook folders, and for\n"
         "Maildir, which is named as a directory).\n"
         "  --detect PATH...  only tell the format of each file or directory, as an import\n"
         "                    without --format would; exits 1 when one cannot be told\n",
         cmd_formats},
        {"batch add", "batch add DESCRIPTION --format NAME [options]", "Save an import definition.",
         "\nOne of --tree, --dir and --file says what the import reads.\n\n"
         "  --format NAME     the reader format, by name or number (see quillstow formats)\n"
         "  --tree DIR        read DIR and every directory below it\n"
         "  --dir DIR         read DIR only\n"
         "  --file FILE       read FILE (repeatable)\n"
         "  --mask MASKS      masks for --tree and --dir, as \"*.MSG;*.OLD\"\n"
         "                    (default: the format's default mask)\n"
         "  --database NAME   the database chosen for forum messages\n"
         "  --mailbox NAME    the mail database that receives mail\n"
         "  --no-mail, --no-forum, --no-news   leave that kind of message out\n"
         "  --reimport        allow messages to be imported again\n",
         cmd_batch_add},
        {"batch list", "batch list", "List the saved import definitions.",
         "\nWith --json, each definition is an object with its fields by name and FILES,\n"
         "its file list: the masks of a tree or directory import, else the files.\n",
         cmd_batch_list},
        {"batch show", "batch show ID", "Show one import definition with its file list.", "",
         cmd_batch_show},
        {"batch delete", "batch delete ID",
         "Delete an import definition with its file list and its steps in tasks.", "",
         cmd_batch_delete},
        {"batch run", "batch run ID", "Run a saved import definition.", "", cmd_batch_run},
        {"import",
         "import [--format NAME] [--db NAME] [--tree DIR | --dir DIR] [PATH...] [options]",
         "Import messages from a reader's files.",
         "\n  --format NAME      the reader format (see quillstow formats); without it, the\n"
         "                     format of each PATH is told from what it holds and printed,\n"
         "                     and nothing is imported when one cannot be told\n"
         "  --db NAME          the mail database that receives mail\n"
         "  --forum NAME       the forum the messages belong to, for forum formats\n"
         "  --tree DIR         every matching file of DIR and the directories below it\n"
         "  --dir DIR          every matching file of DIR\n"
         "  --mask MASKS       masks such as \"*.MBX;*.TXT\" (default: the format's)\n"
         "  --mail, --forum-msgs, --news   import only these kinds (default: all)\n"
         "  --reimport         store again what was imported before\n"
         "  --topic NAME       give every imported mail this topic\n"
         "  --save-as TEXT     also save these choices as an import definition\n"
         "\nEnds with the count of messages found, stored, duplicate and skipped; every message\n"
         "not stored is listed with its reason in Log.txt in the archive home.\n",
         cmd_import},
        {"messages", "messages DB [--by KEY | --topic NAME | --status MARK] [--limit N]",
         "List the messages of a database.",
         "\nKEY for forum and newsgroup databases: number, thread, section, sender, receiver,\n"
         "date; for mail databases: date, subject, partner, sender, receiver.\n"
         "  --topic NAME   the messages of a topic or key word, newest first; NAME may be\n"
         "                 the start of a name that only one topic has\n"
         "  --status MARK  the messages marked normal, keep or delete (by their own mark)\n",
         cmd_messages},
        {"show", "show DB NUMBER", "Show one message or mail with its text.",
         "\nWith its status mark (and the mark of its thread, or of the mail's partner, when\n"
         "that is not normal) and its topics and key words.\n"
         "\nAfter the text come the message's attachments, as quillstow attachments lists them.\n"
         "With --json, ATTACHMENTS is that list.\n",
         cmd_show},
        {"attachments", "attachments DB NUMBER", "List the attachments of a message or mail.",
         "\nOne line per attachment: its number, its size in bytes, its type and its file name.\n"
         "With --json, each attachment is an object with MSGNUMBER, NUMBER, FILENAME,\n"
         "CONTENTTYPE, SIZE and HASH (the SHA-256 of its bytes).\n",
         cmd_attachments},
        {"attachment", "attachment DB NUMBER N --out FILE [--force]",
         "Write attachment N of a message or mail into a file.",
         "\nWrites the attachment byte for byte, as the message carried it, after checking its\n"
         "bytes against the SHA-256 they were stored with; a damaged attachment is reported and\n"
         "no file is left.\n\n"
         "  --out FILE   the file to write; - writes to the standard output\n"
         "  --force      write over FILE when it exists (it is refused otherwise)\n",
         cmd_attachment},
        {"tree", "tree DB NUMBER [--format 1..5]",
         "Show the reply tree of the thread of a forum or newsgroup message.",
         "\nOne line per message, indented by its depth; roots, and the replies of each message,\n"
         "in ascending number. A message whose parent is not stored is a root.\n"
         "  --format N   what a line shows: 1 the sender, 2 sender and number, 3 sender and\n"
         "               date, 4 sender, number and date (the default), 5 sender, date and number\n"
         "Dates follow the date setting (config set 10: 2 mm-dd-yyyy, 6 dd-mm-yyyy,\n"
         "10 yyyy-mm-dd, 17 the system's short date).\n",
         cmd_tree},
        {"page", "page DB NUMBER [--page N]", "Show one page of a message's text.",
         "\nA text of up to 24000 characters is one page; a longer one has two or three, each\n"
         "ending in \"<MORE>>\" and the next starting with \"<CONTINUED>>\". The first page\n"
         "starts with the subject. With --json also START, END and CURSOR: where the text\n"
         "view puts its selection, in characters.\n",
         cmd_page},
        {"mark", "mark DB normal|keep|delete message|thread|section|mail|partner|database [NUMBER]",
         "Mark a message, its thread or section, a mail, its partner, or the database.",
         "\nNUMBER is the message or mail whose record, thread, section or partner is marked;\n"
         "the database takes none. Forum and newsgroup databases mark messages, threads and\n"
         "sections, mail databases mails and partners. The purge deletes what is marked\n"
         "delete and keeps what is marked keep; a database marked delete is removed with all\n"
         "its messages.\n",
         cmd_mark},
        {"purge", "purge DB [--age WEEKS] [--dry-run]",
         "Delete what is marked delete, with everything that hangs on it, and recount.",
         "\nDeletes the messages marked delete and those of threads and sections (mail:\n"
         "partners) marked delete, except messages marked keep, which keep their thread; the\n"
         "texts, key word links, word index entries and attachments no other message holds go\n"
         "with them. A mail purge first marks duplicate mails delete (the first one stays).\n"
         "Then every count is rebuilt as by quillstow count.\n\n"
         "  --age WEEKS   also delete the threads whose newest message is older than WEEKS\n"
         "                weeks (0: 999 weeks); threads marked keep never age\n"
         "  --dry-run     list what would be deleted, with totals, and change nothing\n\n"
         "Ctrl-C stops after the batch under way (exit 130); running the purge again\n"
         "finishes the work.\n",
         cmd_purge},
        {"count", "count DB [--check]",
         "Rebuild the message counts of persons, threads, sections, key words and the database.",
         "\nAlso deletes persons without messages, threads and sections left empty and links\n"
         "to messages that are gone; never deletes a message.\n\n"
         "  --check   list every stored count that differs from a recount, change nothing,\n"
         "            and exit 1 when one differs\n",
         cmd_count},
        {"topics", "topics DB [--key-words]",
         "List the topics of a database with their number of messages.",
         "\nThe numbers are counted anew first. With --key-words the key words instead.\n",
         cmd_topics},
        {"topic add", "topic add DB NAME", "Add a topic.",
         "\nA name differing from another only in letter case is refused.\n", cmd_topic_add},
        {"topic rename", "topic rename DB NAME NEW", "Rename a topic.", "", cmd_topic_rename},
        {"topic delete", "topic delete DB NAME",
         "Delete a topic with its links to messages (all of them or, on a failure, none).", "",
         cmd_topic_delete},
        {"classify", "classify DB NUMBER [--add TOPIC]... [--remove TOPIC]...",
         "Give a message topics or take them off, and list its topics.",
         "\nTOPIC may be the start of a name that only one topic has.\n", cmd_classify},
        {"persons", "persons DB [--limit N]", "List the persons of a database.", "", cmd_persons},
        {"dedupe-persons", "dedupe-persons DB [--dry-run]",
         "Merge the persons of a database that share an address.",
         "\nCorrects badly formed CompuServe addresses, then keeps one person of each address\n"
         "(the one with a last name and the newest sent message; in a mail database always\n"
         "the owner), moves the others' messages to it and keeps their names and addresses\n"
         "as its aliases, so that later imports find it. Prints each correction and merge,\n"
         "the totals on stderr.\n\n"
         "  --dry-run   list what would be corrected and merged, and change nothing\n",
         cmd_dedupe_persons},
        {"merge-persons", "merge-persons DB KEEP OTHER...", "Merge persons into the person KEEP.",
         "\nKEEP and OTHER are person numbers as persons lists them. The messages and aliases\n"
         "of each OTHER move to KEEP and OTHER goes; its name and address become an alias of\n"
         "KEEP. The owner of a mail database is never merged away.\n",
         cmd_merge_persons},
        {"threads", "threads DB [--limit N]", "List the threads of a forum or newsgroup database.",
         "", cmd_threads},
        {"sections", "sections DB", "List the sections of a forum or newsgroup database.", "",
         cmd_sections},
        {"find",
         "find DB TEXT [--from NUMBER] [--backward] [--case] [--words] [--subject-only] "
         "[--since DATE] [--until DATE] [--in-result | --by KEY | --topic NAME]",
         "Find the next message whose subject or text holds TEXT.",
         "\nSearches the list of a database as it is shown, without the word index: the\n"
         "subject (for forum and newsgroup messages the thread heading) first, then the text.\n"
         "TEXT counts up to its first 20 characters.\n\n"
         "  --from NUMBER    go on after this message (default: the list's first message)\n"
         "  --backward       search towards the list's start\n"
         "  --case           text with matching character case only\n"
         "  --words          matching words only\n"
         "  --subject-only   search the subject alone\n"
         "  --since DATE, --until DATE   only messages of these dates (YYYY-MM-DD)\n"
         "  --by KEY         the list order, as for quillstow messages\n"
         "  --topic NAME     the messages of a topic or key word\n"
         "  --in-result      the messages of the current search result\n"
         "\nPrints the message found and where; at the end of the list says so and exits 1.\n",
         cmd_find},
        {"wordsets", "wordsets", "List the saved word definition sets.",
         "\nFor each set: its name, its number of character records (256 for a whole set)\n"
         "and how many characters may start a word, stand inside one and end one.\n",
         cmd_wordsets},
        {"search",
         "search DB [--and WORD]... [--or WORD]... [--not WORD]... [--phrase \"W1 W2\"] [options]",
         "Search a word-indexed database for messages by their words.",
         "\nEach WORD is looked up in the database's word list; every indexed word it matches\n"
         "goes into the list of its option. A message is found when it holds all --and words,\n"
         "none of the --not words and, when --or is given, at least one --or word. When an\n"
         "--and WORD matches several indexed words, any one of them will do (this takes the\n"
         "place of --or, so only one such --and word can be given).\n"
         "Without options a WORD matches the indexed words that contain it.\n\n"
         "  --phrase \"W1 W2\"  the words must stand side by side, in this order\n"
         "  --whole-word       WORD must be the whole indexed word\n"
         "  --starts-with      WORD must begin the indexed word\n"
         "  --soundex          indexed words that sound like WORD\n"
         "  --approx N         indexed words holding WORD with up to N letters wrong,\n"
         "                     missing or extra\n"
         "  --all-blocks       search everything; without it only the first block is searched\n"
         "                     (the pause count of index entries, or the 1000 newest messages\n"
         "                     when only --not words are given)\n"
         "\n\"*\" in WORD stands for any letters and \"?\" for one. The messages found, newest\n"
         "first, become the database's result set. With --json: HITS (the header fields of\n"
         "each message, as in messages) and WORDS (the search words seen in them).\n",
         cmd_search},
        {"index", "index DB [--full]", "Bring the word index of a database up to date.",
         "\nShows the index status first, the progress on stderr, and \"Indexing finished!\" at\n"
         "the end. Words marked for deletion are removed first.\n"
         "  --full   empty the word list and master index and index every message anew\n",
         cmd_index},
        {"index status", "index status DB",
         "Show whether the word index of a database is up to date.", "", cmd_index_status},
        {"words", "words DB [--by word|count] [--limit N]", "List the indexed words of a database.",
         "\nBy count the words in most messages come first. With --json: WORDID, THEWORD,\n"
         "WORDCOUNT.\n",
         cmd_words},
        {"words mark", "words mark DB WORD...",
         "Mark words for deletion; marking a marked word again removes the mark.",
         "\nThe next indexing moves marked words to the stop list and removes their entries.\n",
         cmd_words_mark},
        {"stoplist", "stoplist list | add WORD | change WORD NEW | remove WORD",
         "Show or edit the stop list: the words no database indexes.", "", cmd_stoplist},
    };
    return table;
}

std::string type_name(uint8_t type) {
    switch (type) {
        case 1: return "forum";
        case 2: return "mail";
        case 3: return "newsgroup";
        default: return "?";
    }
}

}  // namespace qs::cli
