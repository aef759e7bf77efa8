// CDatabaseEdit: the table's own members under the store's lock, and the ID index and
// per-row summary that every change keeps in step with the rows.
#include <cstdlib>

#include "core/addressbook/database_edit.h"

void CDatabaseEdit::NoteRow(int row) {
    std::string id, mark;
    CMyDB::GetAtElement(row, kElemCustomerID, id);
    CMyDB::GetAtElement(row, kElemDeleteFlag, mark);
    const std::size_t r = static_cast<std::size_t>(row);
    if (rows_.size() <= r) rows_.resize(r + 1);
    rows_[r].id = std::atoi(id.c_str());
    rows_[r].live = !IsDeletedMark(mark);
    auto [it, added] = index_.try_emplace(rows_[r].id, row);
    if (!added && it->second < row) it->second = row;
    if (rows_[r].id > maxDBID_.load()) maxDBID_.store(rows_[r].id);
}

void CDatabaseEdit::NoteElement(int line, int column) {
    if (column == kElemDeleteFlag) {
        NoteRow(line);
    } else if (column == kElemCustomerID) {
        MakeIndex();  // the old ID may now belong to another row, or to none
        NoteReshaped();
        return;
    }
    NoteChanged(line);
}

int CDatabaseEdit::RowOf(int id) const {
    const auto it = index_.find(id);
    return it == index_.end() ? -1 : it->second;
}

void CDatabaseEdit::MakeIndex() {
    Lock lock(mutex_);
    index_.clear();
    rows_.clear();
    const int n = CMyDB::GetLineNumber();
    if (n <= 0) return;
    index_.reserve(static_cast<std::size_t>(n));
    rows_.reserve(static_cast<std::size_t>(n));
    for (int row = 0; row < n; ++row) NoteRow(row);
}

int CDatabaseEdit::DBID2RowNumber(int id) {
    Lock lock(mutex_);
    return RowOf(id);
}

// Each change commits on its own unless a ChangeGroup is open: `Done` gives the member's
// result, or kErrWrite when its change could not be committed.
namespace {

int Done(int result, CDatabaseEdit::ChangeGroup& group) {
    const int committed = group.Commit();
    return result != 0 ? result : committed < 0 ? CMyDB::kErrWrite : 0;
}

}  // namespace

void CDatabaseEdit::Init() {
    ChangeGroup group(*this);
    CMyDB::Init();
    CMyDB::SetElementNumber(kCustomerElementCount);
    CMyDB::SetElementNumber_Y2(kCustomerElementCount);
    index_.clear();
    rows_.clear();
    NoteReshaped();
}

int CDatabaseEdit::ReadDBFile(const char* key) {
    Lock lock(mutex_);
    DropJournal();
    const int r = CMyDB::ReadDBFile(key);
    MakeIndex();
    return r;
}

int CDatabaseEdit::AddLine(const XCStringArrayEx& line) {
    ChangeGroup group(*this);
    const bool repeated = line.GetSize() > 0 && RowOf(std::atoi(line.GetAt(0).c_str())) >= 0;
    const int r = CMyDB::AddLine(line);
    if (r == 0) {
        const int row = CMyDB::GetLineNumber() - 1;
        NoteRow(row);
        // A second row of an ID would replay as a change of the first: only a save keeps both.
        if (repeated) NoteReshaped();
        else NoteChanged(row);
    }
    return Done(r, group);
}

int CDatabaseEdit::SetAtLine(int index, const XCStringArrayEx& line) {
    ChangeGroup group(*this);
    const int before = index >= 0 && index < Rows() ? IdOfRow(index) : 0;
    const int r = CMyDB::SetAtLine(index, line);
    if (r == 0) {
        NoteRow(index);
        if (IdOfRow(index) != before) {
            MakeIndex();
            NoteReshaped();
        } else {
            NoteChanged(index);
        }
    }
    return Done(r, group);
}

int CDatabaseEdit::SetAtLineGrow(int index, const XCStringArrayEx& line) {
    ChangeGroup group(*this);
    const int r = CMyDB::SetAtLineGrow(index, line);
    if (r == 0) {
        MakeIndex();
        NoteReshaped();
    }
    return Done(r, group);
}

int CDatabaseEdit::InsertAtLine(int index, const XCStringArrayEx& line) {
    ChangeGroup group(*this);
    const int r = CMyDB::InsertAtLine(index, line);
    if (r == 0) {
        MakeIndex();
        NoteReshaped();
    }
    return Done(r, group);
}

int CDatabaseEdit::RemoveLine(int index) {
    ChangeGroup group(*this);
    const int r = CMyDB::RemoveLine(index);
    if (r == 0) {
        MakeIndex();
        NoteReshaped();
    }
    return Done(r, group);
}

int CDatabaseEdit::RemoveLinesFrom(int count) {
    ChangeGroup group(*this);
    const int r = CMyDB::RemoveLinesFrom(count);
    if (r == 0 && count < Rows()) {
        MakeIndex();
        NoteReshaped();
    }
    return Done(r, group);
}

int CDatabaseEdit::RemoveAll(int mark) {
    ChangeGroup group(*this);
    const int r = CMyDB::RemoveAll(mark);
    if (r == 0) {
        index_.clear();
        rows_.clear();
        NoteReshaped();
    }
    return Done(r, group);
}

int CDatabaseEdit::SetAtElement(int line, int column, const std::string& text) {
    ChangeGroup group(*this);
    const int r = CMyDB::SetAtElement(line, column, text);
    if (r == 0) NoteElement(line, column);
    return Done(r, group);
}

int CDatabaseEdit::SetAtElement(int line, int column, const char* text) {
    ChangeGroup group(*this);
    const int r = CMyDB::SetAtElement(line, column, text);
    if (r == 0) NoteElement(line, column);
    return Done(r, group);
}

int CDatabaseEdit::SetAtElement(int line, int column, int number) {
    ChangeGroup group(*this);
    const int r = CMyDB::SetAtElement(line, column, number);
    if (r == 0) NoteElement(line, column);
    return Done(r, group);
}

int CDatabaseEdit::SetAtElement(int line, int column, const platform::DateTime& dateTime) {
    ChangeGroup group(*this);
    const int r = CMyDB::SetAtElement(line, column, dateTime);
    if (r == 0) NoteElement(line, column);
    return Done(r, group);
}

int CDatabaseEdit::Sort(int column, int dataType, int ascending) {
    Lock lock(mutex_);
    const int r = CMyDB::Sort(column, dataType, ascending);
    if (r == 0) MakeIndex();
    return r;
}

int CDatabaseEdit::SetSizeDBArray(int n) {
    ChangeGroup group(*this);
    const int r = CMyDB::SetSizeDBArray(n);
    if (r == 0) {
        MakeIndex();
        NoteReshaped();
    }
    return Done(r, group);
}

int CDatabaseEdit::GetLineNumber() const {
    Lock lock(mutex_);
    return CMyDB::GetLineNumber();
}

XCStringArrayEx CDatabaseEdit::GetAtLine(int index) const {
    Lock lock(mutex_);
    return CMyDB::GetAtLine(index);
}

int CDatabaseEdit::GetAtLine(int index, XCStringArrayEx& out) const {
    Lock lock(mutex_);
    return CMyDB::GetAtLine(index, out);
}

std::string CDatabaseEdit::GetAtElement(int line, int column) const {
    Lock lock(mutex_);
    return CMyDB::GetAtElement(line, column);
}

int CDatabaseEdit::GetAtElement(int line, int column, std::string& out) const {
    Lock lock(mutex_);
    return CMyDB::GetAtElement(line, column, out);
}
