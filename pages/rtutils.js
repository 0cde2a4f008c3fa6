// Small helpers shared by the pages.
function getElement(id) {
    return document.getElementById(id);
}

// The maker's page about older versions and why they are removed.
var OUT_OF_DATE_INFO_URL = "https://orun.kyn.example/help/out-of-date.html";

// A text as the content of an element, never read as markup.
function setText(element, text) {
    if (element.textContent !== undefined) {
        element.textContent = text;
    } else {
        element.innerText = text;
    }
}

// A row for one of the pages' version lists.
function appendListRow(list, text) {
    var row = document.createElement("div");
    row.className = "list_row";
    setText(row, text);
    list.appendChild(row);
    return row;
}
