// Article layout and the result file.
//
// The line is scanned once for markers; the text between two markers is a piece, written with
// an indent value n: n < 0 puts -n spaces before it, n > 0 leaves n spaces after it as the
// indentation of the next line. A piece wraps at 76 characters, at its last space when one is
// there, otherwise hard; spaces that start a wrapped line are dropped.
#include "article.h"

#include <string.h>

#include <new>

#include "fileio.h"

namespace dravel {

namespace {

const size_t LineWidth = 76;

class Layout {
  public:
    Layout(const char* text, size_t length, std::string* out) : t_(text), n_(length), out_(out) {}

    void Run() {
        size_t headword = FindTwoSpaces();
        size_t textStart = headword < n_ ? headword + 2 : n_;
        if (headword > n_) headword = n_;
        Piece(0, headword, 0);

        size_t start = textStart;
        size_t q = textStart;
        while (q < n_) {
            char c = t_[q];
            bool afterSpace = q > 0 && t_[q - 1] == ' ';
            if (c == '_' && afterSpace) {
                size_t r = q + 1;
                while (r < n_ && (t_[r] == 'I' || t_[r] == 'V' || t_[r] == 'X'))
                    ++r;
                if (r < n_ && t_[r] == ' ') {
                    Piece(start, q, 2);
                    start = q;
                    q = r + 1;
                } else {
                    q = r;
                }
                continue;
            }
            if (c >= '0' && c <= '9' && afterSpace) {
                size_t r = q;
                while (r < n_ && t_[r] >= '0' && t_[r] <= '9')
                    ++r;
                if (r < n_ && (t_[r] == '>' || t_[r] == '.')) {
                    Piece(start, q, t_[r] == '>' ? 0 : 2);
                    start = q;
                    q = r + 1;
                } else {
                    q = r;
                }
                continue;
            }
            if (afterSpace && q + 1 < n_ && t_[q + 1] == '>') {
                size_t p = q;
                bool semicolon = false;
                while (p > start) {
                    if (t_[--p] == ';') {
                        semicolon = true;
                        break;
                    }
                }
                if (semicolon && p + 2 != q) {
                    Piece(start, p + 1, 0);
                    Piece(p + 2, q, -1);
                } else {
                    Piece(start, q, 0);
                }
                start = q;
                q += 2;
                continue;
            }
            ++q;
        }
        Piece(start, n_, 0);
    }

  private:
    size_t FindTwoSpaces() const {
        for (size_t i = 0; i + 1 < n_; ++i)
            if (t_[i] == ' ' && t_[i + 1] == ' ') return i;
        return n_;
    }

    void Piece(size_t s, size_t e, int indent) {
        if (indent < 0) out_->append((size_t)-indent, ' ');
        while (s < e) {
            size_t end = e;
            if (e - s > LineWidth) {
                end = s + LineWidth;
                if (t_[end] != ' ') {
                    size_t space = end - 1;
                    while (space > s && t_[space] != ' ')
                        --space;
                    if (space > s) end = space;
                }
            }
            out_->append(t_ + s, end - s);
            out_->append("\r\n", 2);
            s = end;
            while (s < e && t_[s] == ' ')
                ++s;
        }
        if (indent > 0) out_->append((size_t)indent, ' ');
    }

    const char* t_;
    size_t n_;
    std::string* out_;
};

} // namespace

size_t HeadwordLength(const char* line, size_t length) {
    for (size_t i = 0; i + 1 < length; ++i)
        if (line[i] == ' ' && line[i + 1] == ' ') return i < 2 ? 2 : i;
    return 0;
}

void LayoutArticle(const char* line, size_t length, std::string* out) {
    const char* text = line;
    std::string copy;
    if (memchr(line, '\0', length)) {
        copy.assign(line, length);
        for (char& c : copy)
            if (c == '\0') c = ' ';
        text = copy.data();
    }
    Layout(text, length, out).Run();
}

Error WriteResultBytes(const char* folder, const std::string& bytes, std::string* path) {
    try {
        *path = folder;
        if (!path->empty() && path->back() != PathSeparator()) *path += PathSeparator();
        *path += "Dravel.txt";
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    if (path->size() > PathLimit) return Error::CreateResult;
    File file;
    if (!file.Create(path->c_str())) return Error::CreateResult;
    bool written = file.Write(bytes.data(), bytes.size());
    if (!file.Close() || !written) {
        RemoveFile(path->c_str());
        return Error::CreateResult;
    }
    return Error::None;
}

Error WriteResultFile(const char* folder, const char* line, size_t length, std::string* path) {
    std::string text;
    try {
        LayoutArticle(line, length, &text);
    } catch (const std::bad_alloc&) {
        return Error::NoMemory;
    }
    return WriteResultBytes(folder, text, path);
}

} // namespace dravel
