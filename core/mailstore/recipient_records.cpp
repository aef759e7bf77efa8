#include "core/mailstore/recipient_records.h"

#include "core/addressbook/database_edit.h"

int DatabaseEditRecords::GetCustomerDataPinPoint(int id, int element, std::string& out) {
    return book_ != nullptr ? book_->GetCustomerDataPinPoint(id, element, out) : -1;
}
