#include "app/sendrecv/deleted_data_list.h"

#include "app/sendrecv/mail_record_helpers.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"

namespace {

constexpr unsigned long kDeletedMailStatus = 0x80;
constexpr int kPersonElements[] = {kElemCustomerID, kElemEmail, kElemKanjiSei, kElemKanjiMei,
                                   kElemCompany,    kElemEntryDate, kElemRenewalDate};

}  // namespace

std::vector<int> ListDeletedIds(int kind, const DeletedDataStores& stores) {
    std::vector<int> ids;
    switch (kind) {
    case kDeletedPeople: {
        if (stores.book == nullptr) break;
        std::vector<int> deleted;
        stores.book->GetDeleteCustomerList(deleted);
        std::string address;
        for (int id : deleted) {
            address.clear();
            stores.book->GetCustomerDataPinPoint(id, kElemEmail, address);
            if (!address.empty()) ids.push_back(id);
        }
        break;
    }
    case kDeletedMails:
        if (stores.mails != nullptr) stores.mails->CountMailByMailStatus(kDeletedMailStatus, &ids, 0);
        break;
    case kDeletedDestinations:
        if (stores.lists != nullptr) stores.lists->GetDeleteExtractIDList(ids);
        break;
    default: break;
    }
    return ids;
}

std::vector<std::string> DeletedRowTexts(int kind, int id, const DeletedDataStores& stores) {
    std::vector<std::string> texts;
    switch (kind) {
    case kDeletedPeople:
        for (int element : kPersonElements) {
            std::string text;
            if (stores.book != nullptr) stores.book->GetCustomerDataPinPoint(id, element, text);
            texts.push_back(std::move(text));
        }
        break;
    case kDeletedMails: {
        COneMailData mail;
        if (stores.mails == nullptr || stores.mails->GetMailData(id, mail) != 0) {
            texts.push_back(std::to_string(id));
            break;
        }
        texts = {GetMailIDText(mail),      GetMailTitleText(mail), GetMailAddressNameText(mail),
                 GetMailTypeText(mail),    GetReserveDateText(mail), GetEntryDateText(mail),
                 GetRenewalDateText(mail)};
        break;
    }
    case kDeletedDestinations: {
        std::string name, update, honorific;
        if (stores.lists != nullptr) {
            stores.lists->GetExtractName(id, name);
            stores.lists->GetExtractLaseUpdate(id, update);
            stores.lists->GetExtractHonorific(id, honorific);
        }
        texts = {std::to_string(id), name, update, honorific};
        break;
    }
    default: break;
    }
    return texts;
}
