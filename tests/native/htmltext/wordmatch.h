// How much of a peer's text dump our text view keeps: the words of both (runs of letters and
// digits, case kept) matched by their longest common subsequence, and the peer's paragraphs
// (runs of lines between blank lines) that lost every word.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

std::vector<std::string> TextWords(const std::string& utf8);

struct WordAgreement {
    size_t TheirWords = 0; // in the peer's text
    size_t OurWords = 0;
    size_t Common = 0;                       // the longest common subsequence
    size_t Paragraphs = 0;                   // of the peer's text that hold words
    std::vector<std::string> LostParagraphs; // none of whose words is in the common subsequence
    bool TooDifferent = false; // gave up: the texts differ in more words than are worth aligning

    double Share() const {
        return TheirWords ? static_cast<double>(Common) / static_cast<double>(TheirWords) : 1.0;
    }
};

WordAgreement CompareWords(const std::string& ours, const std::string& theirs);
